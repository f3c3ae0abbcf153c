#include "playback/Render.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "files/MidiStatus.h"
#include "playback/FluidHandles.h"
#include "playback/MidiFileCheck.h"
#include "playback/SoundFonts.h"

namespace halcyone {

namespace {

constexpr double progressReportStep = 0.01;

// Follows the player through the piece and reports each step of progressReportStep.
class PieceProgress {
public:
    PieceProgress(const std::function<void(double)>& report, fluid_player_t* player,
                  std::uint32_t lengthTicks)
        : report_(report), player_(player), lengthTicks_(lengthTicks) {}

    bool pieceIsOver() const { return currentTick() >= lengthTicks_; }

    void update() {
        if (!report_ || lengthTicks_ == 0) return;
        const double fraction = std::min(1.0, static_cast<double>(currentTick()) / lengthTicks_);
        if (fraction >= reported_ + progressReportStep) {
            reported_ = fraction;
            report_(fraction);
        }
    }

private:
    std::uint32_t currentTick() const {
        return static_cast<std::uint32_t>(std::max(0, fluid_player_get_current_tick(player_)));
    }

    const std::function<void(double)>& report_;
    fluid_player_t* player_;
    std::uint32_t lengthTicks_;
    double reported_ = 0.0;
};

// FluidSynth set up to render one piece into an audio file; released in reverse order.
struct FileRendering {
    FluidSettings settings;
    FluidSynth synth;
    FluidPlayer player;
    FluidFileRenderer renderer;
    int channel = allChannels;
};

// FluidSynth's names of the file type; the sample format is 16-bit in each (for "oga",
// FluidSynth encodes Vorbis).
const char* fileType(AudioFormat format) {
    switch (format) {
        case AudioFormat::Wav: return "wav";
        case AudioFormat::Flac: return "flac";
        case AudioFormat::Ogg: return "oga";
    }
    return "wav";
}

std::string chooseSoundFont(const std::string& requested) {
    return requested.empty() ? findSoundFont(standardSoundFontPaths())
                             : findSoundFont({requested});
}

bool stopRequested(const RenderOptions& options) { return options.stop && options.stop->load(); }

// The player's messages for other channels than the rendering's are dropped; the rest reach
// its synthesizer as they would without this filter.
int playChannel(void* data, fluid_midi_event_t* event) {
    const auto* r = static_cast<const FileRendering*>(data);
    const int type = fluid_midi_event_get_type(event);
    const bool channelMessage = type >= midi::noteOff && type <= midi::pitchBend;
    if (channelMessage && fluid_midi_event_get_channel(event) != r->channel) return FLUID_OK;
    return fluid_synth_handle_midi_event(r->synth.get(), event);
}

// Sets `r` up to render `midi` with `soundFont` into the audio file at `audioPath` and starts
// the player. A code of MusicResult.h; with resultCantWrite, `file` says why.
int startRendering(FileRendering& r, std::span<const std::uint8_t> midi,
                   const std::string& soundFont, const std::string& audioPath,
                   const RenderOptions& options, FileResult& file) {
    r.settings = makeFluidSettings();
    if (!r.settings) return resultFailed;
    fluid_settings_t* s = r.settings.get();
    if (fluid_settings_setnum(s, "synth.sample-rate", options.sampleRate) != FLUID_OK)
        return resultFailed;
    // Samples are read as instruments are chosen: a short piece needs a few of a large font.
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setstr(s, "audio.file.name", audioPath.c_str());
    fluid_settings_setstr(s, "audio.file.type", fileType(options.format));
    fluid_settings_setstr(s, "audio.file.format", "s16");

    r.synth.reset(new_fluid_synth(s));
    if (!r.synth) return resultFailed;
    if (!fluid_is_soundfont(soundFont.c_str()) ||
        fluid_synth_sfload(r.synth.get(), soundFont.c_str(), 1) == FLUID_FAILED) {
        return resultBadSoundFont;
    }
    r.player.reset(new_fluid_player(r.synth.get()));
    if (!r.player || fluid_player_add_mem(r.player.get(), midi.data(), midi.size()) != FLUID_OK) {
        return resultFailed;
    }
    if (r.channel != allChannels &&
        fluid_player_set_playback_callback(r.player.get(), playChannel, &r) != FLUID_OK) {
        return resultFailed;
    }
    errno = 0;
    r.renderer.reset(new_fluid_file_renderer(r.synth.get()));
    if (!r.renderer) {
        file = fileFailure(FileOutcome::CantCreate, errno ? errno : EIO);
        return resultCantWrite;
    }
    return fluid_player_play(r.player.get()) == FLUID_OK ? resultOk : resultFailed;
}

// Renders the piece block by block into every file at once, then up to renderTailSeconds while
// a note still sounds in any; ends early once a stop is requested. resultOk, or resultCantWrite
// with `done.file` and `done.failedOutput` saying which file and why.
int renderPiece(std::span<FileRendering> renderings, std::uint32_t lengthTicks,
                const RenderOptions& options, RenderResult& done) {
    // Every player reads the same file in step: the first one tells how far the piece has come.
    PieceProgress progress(options.progress, renderings.front().player.get(), lengthTicks);
    const auto playing = [renderings] {
        return std::ranges::any_of(renderings, [](const FileRendering& r) {
            return fluid_player_get_status(r.player.get()) == FLUID_PLAYER_PLAYING;
        });
    };
    const auto sounding = [renderings] {
        return std::ranges::any_of(renderings, [](const FileRendering& r) {
            return fluid_synth_get_active_voice_count(r.synth.get()) > 0;
        });
    };
    // One block of audio into each file; the system's reason for a failed write is kept.
    const auto renderBlock = [renderings, &done] {
        for (std::size_t k = 0; k < renderings.size(); ++k) {
            errno = 0;
            if (fluid_file_renderer_process_block(renderings[k].renderer.get()) == FLUID_OK)
                continue;
            done.file = fileFailure(FileOutcome::CantWrite, errno ? errno : EIO);
            done.failedOutput = static_cast<int>(k);
            return false;
        }
        return true;
    };
    while (playing() && !progress.pieceIsOver() && !stopRequested(options)) {
        if (!renderBlock()) return resultCantWrite;
        progress.update();
    }
    // The player goes on until the last notes have died away, which may take long: cut it.
    int periodSize = 0;
    fluid_settings_getint(renderings.front().settings.get(), "audio.period-size", &periodSize);
    const auto tailBlocks = static_cast<long>(renderTailSeconds * options.sampleRate /
                                              std::max(periodSize, 1));
    for (long block = 0; block < tailBlocks && !stopRequested(options) && (playing() || sounding());
         ++block) {
        if (!renderBlock()) return resultCantWrite;
    }
    return resultOk;
}

void discardAll(std::span<const ChannelOutput> outputs) {
    for (const ChannelOutput& output : outputs) output.file->discard();
}

}  // namespace

RenderResult renderMidiToOutputs(std::span<const std::uint8_t> midi,
                                 std::span<const ChannelOutput> outputs,
                                 const RenderOptions& options) {
    RenderResult done;
    const auto failed = [&done, outputs](int result) {
        discardAll(outputs);
        done.result = result;
        return done;
    };
    const auto facts = inspectMidiFile(midi);
    if (!facts) return failed(resultNotMidiFile);
    if (outputs.empty()) return done;
    done.soundFont = chooseSoundFont(options.soundFont);
    if (done.soundFont.empty()) {
        done.soundFont = options.soundFont;
        return failed(resultNoSoundFont);
    }

    std::vector<FileRendering> renderings(outputs.size());
    int result = resultOk;
    for (std::size_t k = 0; k < outputs.size() && succeeded(result); ++k) {
        std::string audioPath;
        if (done.file = outputs[k].file->fillPath(audioPath); !done.file.ok()) {
            done.failedOutput = static_cast<int>(k);
            return failed(resultCantWrite);
        }
        renderings[k].channel = outputs[k].channel;
        result = startRendering(renderings[k], midi, done.soundFont, audioPath, options,
                                done.file);
        if (result == resultCantWrite) done.failedOutput = static_cast<int>(k);
    }
    if (succeeded(result)) result = renderPiece(renderings, facts->lengthTicks, options, done);
    if (!succeeded(result)) return failed(result);
    for (FileRendering& r : renderings) r.renderer.reset();  // closes the file
    if (stopRequested(options)) {
        done.stopped = true;
        discardAll(outputs);
    }
    return done;
}

RenderResult renderMidiToAudio(std::span<const std::uint8_t> midi, SafeFile& output,
                               const RenderOptions& options) {
    const ChannelOutput whole{&output, allChannels};
    RenderResult done = renderMidiToOutputs(midi, std::span(&whole, 1), options);
    if (!done.ok()) return done;
    if (done.file = output.commit(); !done.file.ok()) {
        done.result = resultCantWrite;
        done.failedOutput = 0;
        return done;
    }
    if (options.progress) options.progress(1.0);
    return done;
}

}  // namespace halcyone
