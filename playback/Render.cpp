#include "playback/Render.h"

#include <algorithm>
#include <cerrno>

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
};

std::string chooseSoundFont(const std::string& requested) {
    return requested.empty() ? findSoundFont(standardSoundFontPaths())
                             : findSoundFont({requested});
}

bool stopRequested(const RenderOptions& options) { return options.stop && options.stop->load(); }

// Sets `r` up to render `midi` with `soundFont` into the WAV file at `audioPath` and starts
// the player. A code of MusicResult.h; with resultCantWrite, `file` says why.
int startRendering(FileRendering& r, std::span<const std::uint8_t> midi,
                   const std::string& soundFont, const std::string& audioPath, double sampleRate,
                   FileResult& file) {
    r.settings = makeFluidSettings();
    if (!r.settings) return resultFailed;
    fluid_settings_t* s = r.settings.get();
    if (fluid_settings_setnum(s, "synth.sample-rate", sampleRate) != FLUID_OK) return resultFailed;
    // Samples are read as instruments are chosen: a short piece needs a few of a large font.
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setstr(s, "audio.file.name", audioPath.c_str());
    fluid_settings_setstr(s, "audio.file.type", "wav");
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
    errno = 0;
    r.renderer.reset(new_fluid_file_renderer(r.synth.get()));
    if (!r.renderer) {
        file = fileFailure(FileOutcome::CantCreate, errno ? errno : EIO);
        return resultCantWrite;
    }
    return fluid_player_play(r.player.get()) == FLUID_OK ? resultOk : resultFailed;
}

// Renders the piece block by block, then up to renderTailSeconds while notes still sound;
// ends early once a stop is requested. resultOk, or resultCantWrite with `file` saying why.
int renderPiece(FileRendering& r, std::uint32_t lengthTicks, const RenderOptions& options,
                FileResult& file) {
    PieceProgress progress(options.progress, r.player.get(), lengthTicks);
    const auto playing = [&r] {
        return fluid_player_get_status(r.player.get()) == FLUID_PLAYER_PLAYING;
    };
    // One block of audio into the file; the system's reason for a failed write is kept.
    const auto renderBlock = [&r, &file] {
        errno = 0;
        if (fluid_file_renderer_process_block(r.renderer.get()) == FLUID_OK) return true;
        file = fileFailure(FileOutcome::CantWrite, errno ? errno : EIO);
        return false;
    };
    while (playing() && !progress.pieceIsOver() && !stopRequested(options)) {
        if (!renderBlock()) return resultCantWrite;
        progress.update();
    }
    // The player goes on until the last notes have died away, which may take long: cut it.
    int periodSize = 0;
    fluid_settings_getint(r.settings.get(), "audio.period-size", &periodSize);
    const auto tailBlocks = static_cast<long>(renderTailSeconds * options.sampleRate /
                                              std::max(periodSize, 1));
    for (long block = 0; block < tailBlocks && !stopRequested(options) &&
                         (playing() || fluid_synth_get_active_voice_count(r.synth.get()) > 0);
         ++block) {
        if (!renderBlock()) return resultCantWrite;
    }
    return resultOk;
}

}  // namespace

RenderResult renderMidiToWav(std::span<const std::uint8_t> midi, SafeFile& output,
                             const RenderOptions& options) {
    RenderResult done;
    const auto failed = [&done, &output](int result) {
        output.discard();
        done.result = result;
        return done;
    };
    const auto facts = inspectMidiFile(midi);
    if (!facts) return failed(resultNotMidiFile);
    done.soundFont = chooseSoundFont(options.soundFont);
    if (done.soundFont.empty()) {
        done.soundFont = options.soundFont;
        return failed(resultNoSoundFont);
    }
    std::string audioPath;
    if (done.file = output.fillPath(audioPath); !done.file.ok()) return failed(resultCantWrite);

    FileRendering rendering;
    int result = startRendering(rendering, midi, done.soundFont, audioPath, options.sampleRate,
                                done.file);
    if (succeeded(result)) result = renderPiece(rendering, facts->lengthTicks, options, done.file);
    if (!succeeded(result)) return failed(result);
    rendering.renderer.reset();  // closes the file
    if (stopRequested(options)) {
        done.stopped = true;
        output.discard();
        return done;
    }
    if (done.file = output.commit(); !done.file.ok()) return failed(resultCantWrite);
    if (options.progress) options.progress(1.0);
    return done;
}

}  // namespace halcyone
