#include "playback/Render.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "playback/FluidHandles.h"
#include "playback/FluidMusicService.h"
#include "playback/MidiFileCheck.h"
#include "playback/Playback.h"
#include "playback/Player.h"
#include "playback/SoundFonts.h"

namespace halcyone {

namespace {

constexpr double progressReportStep = 0.01;
constexpr auto pollInterval = std::chrono::milliseconds(20);

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
    void finish() {
        if (report_) report_(1.0);
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

std::string chooseSoundFont(const std::string& requested) {
    return requested.empty() ? findSoundFont(standardSoundFontPaths())
                             : findSoundFont({requested});
}

void waitUnlessStopped(double seconds, const std::atomic<bool>& stop) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!stop.load() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(pollInterval);
    }
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

    FluidSettings settings = makeFluidSettings();
    if (!settings) return failed(resultFailed);
    fluid_settings_t* s = settings.get();
    if (fluid_settings_setnum(s, "synth.sample-rate", options.sampleRate) != FLUID_OK) {
        return failed(resultFailed);
    }
    // Samples are read as instruments are chosen: a short piece needs a few of a large font.
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setstr(s, "audio.file.name", audioPath.c_str());
    fluid_settings_setstr(s, "audio.file.type", "wav");
    fluid_settings_setstr(s, "audio.file.format", "s16");

    FluidSynth synth(new_fluid_synth(s));
    if (!synth) return failed(resultFailed);
    if (!fluid_is_soundfont(done.soundFont.c_str()) ||
        fluid_synth_sfload(synth.get(), done.soundFont.c_str(), 1) == FLUID_FAILED) {
        return failed(resultBadSoundFont);
    }
    FluidPlayer player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add_mem(player.get(), midi.data(), midi.size()) != FLUID_OK) {
        return failed(resultFailed);
    }
    errno = 0;
    FluidFileRenderer renderer(new_fluid_file_renderer(synth.get()));
    if (!renderer) {
        done.file = fileFailure(FileOutcome::CantCreate, errno ? errno : EIO);
        return failed(resultCantWrite);
    }
    if (fluid_player_play(player.get()) != FLUID_OK) return failed(resultFailed);

    PieceProgress progress(options.progress, player.get(), facts->lengthTicks);
    const auto playing = [&player] {
        return fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING;
    };
    const auto stopRequested = [&options] { return options.stop && options.stop->load(); };
    // One block of audio into the file; the system's reason for a failed write is kept.
    const auto renderBlock = [&] {
        errno = 0;
        if (fluid_file_renderer_process_block(renderer.get()) == FLUID_OK) return true;
        done.file = fileFailure(FileOutcome::CantWrite, errno ? errno : EIO);
        return false;
    };
    while (playing() && !progress.pieceIsOver() && !stopRequested()) {
        if (!renderBlock()) return failed(resultCantWrite);
        progress.update();
    }
    // The player goes on until the last notes have died away, which may take long: cut it.
    int periodSize = 0;
    fluid_settings_getint(s, "audio.period-size", &periodSize);
    const auto tailBlocks = static_cast<long>(renderTailSeconds * options.sampleRate /
                                              std::max(periodSize, 1));
    for (long block = 0; block < tailBlocks && !stopRequested() &&
                         (playing() || fluid_synth_get_active_voice_count(synth.get()) > 0);
         ++block) {
        if (!renderBlock()) return failed(resultCantWrite);
    }
    renderer.reset();  // closes the file
    if (stopRequested()) {
        done.stopped = true;
        output.discard();
        return done;
    }
    if (done.file = output.commit(); !done.file.ok()) return failed(resultCantWrite);
    progress.finish();
    return done;
}

std::vector<OutputPort> outputPorts(const MusicServiceFactory& factory) {
    Player player(factory);
    if (!succeeded(player.initialise())) return {};
    PortTable table;
    const PortListing listing = listOutputPorts(player, table, false);
    std::vector<OutputPort> ports;
    for (std::size_t entry = 0; entry < listing.portNumbers.size(); ++entry) {
        const int number = listing.portNumbers[entry];
        ports.push_back({number, std::string(table[static_cast<std::size_t>(number)].displayName()),
                         static_cast<int>(entry) == listing.defaultEntry});
    }
    return ports;
}

int playMidiFile(const std::string& midiPath, int portNumber,
                 const std::atomic<bool>& stopRequested, const PlayOptions& options) {
    MusicServiceFactory factory = options.serviceFactory;
    if (!factory) {
        factory = [soundFont = options.soundFont] {
            FluidServiceOptions serviceOptions;
            if (!soundFont.empty()) serviceOptions.soundFonts = {soundFont};
            return makeFluidMusicService(std::move(serviceOptions));
        };
    }
    Player player(factory);
    if (!succeeded(player.initialise())) return resultNotInitialised;
    PortTable table;
    const PortListing listing = listOutputPorts(player, table, false);
    int number = portNumber;
    if (number < 0 && listing.defaultEntry >= 0) {
        number = listing.portNumbers[static_cast<std::size_t>(listing.defaultEntry)];
    }
    if (std::find(listing.portNumbers.begin(), listing.portNumbers.end(), number) ==
        listing.portNumbers.end()) {
        return resultNoSuchPort;
    }
    const int portResult = player.createPort(table[static_cast<std::size_t>(number)]);
    if (const int result = player.loadSegment(midiPath, true); !succeeded(result)) return result;
    if (!succeeded(portResult)) return portResult;
    if (const int result = player.play(); !succeeded(result)) return result;
    if (options.started) options.started();

    while (player.isPlaying() && !stopRequested.load()) std::this_thread::sleep_for(pollInterval);
    waitUnlessStopped(options.tailSeconds, stopRequested);
    player.stop();
    return resultOk;
}

}  // namespace halcyone
