#include "playback/Render.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <thread>

#include "playback/FluidHandles.h"
#include "playback/FluidMusicService.h"
#include "playback/MidiFileCheck.h"
#include "playback/Playback.h"
#include "playback/Player.h"
#include "playback/SoundFonts.h"

namespace halcyone {

namespace {

constexpr const char* partialSuffix = ".partial";
constexpr double progressReportStep = 0.01;
constexpr auto pollInterval = std::chrono::milliseconds(20);

// Owns the temporary output file until it is renamed; removes it otherwise.
class PartialFile {
public:
    explicit PartialFile(std::string path) : path_(std::move(path)) {}
    ~PartialFile() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove(path_, ignored);
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    const std::string& path() const { return path_; }
    bool renameTo(const std::string& target) {
        std::error_code error;
        std::filesystem::rename(path_, target, error);
        if (error) return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
};

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

int renderMidiToWav(const std::string& midiPath, const std::string& wavPath,
                    const RenderOptions& options) {
    std::vector<std::uint8_t> midi;
    if (const int result = readMidiFile(midiPath, midi); !succeeded(result)) return result;
    const std::string soundFont = chooseSoundFont(options.soundFont);
    if (soundFont.empty()) return resultNoSoundFont;
    if (wavPath.empty()) return resultCantWrite;

    PartialFile partial(wavPath + partialSuffix);
    FluidSettings settings = makeFluidSettings();
    if (!settings) return resultFailed;
    fluid_settings_t* s = settings.get();
    if (fluid_settings_setnum(s, "synth.sample-rate", options.sampleRate) != FLUID_OK) {
        return resultFailed;
    }
    // Samples are read as instruments are chosen: a short piece needs a few of a large font.
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setstr(s, "audio.file.name", partial.path().c_str());
    fluid_settings_setstr(s, "audio.file.type", "wav");
    fluid_settings_setstr(s, "audio.file.format", "s16");

    FluidSynth synth(new_fluid_synth(s));
    if (!synth) return resultFailed;
    if (!fluid_is_soundfont(soundFont.c_str()) ||
        fluid_synth_sfload(synth.get(), soundFont.c_str(), 1) == FLUID_FAILED) {
        return resultBadSoundFont;
    }
    FluidPlayer player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add_mem(player.get(), midi.data(), midi.size()) != FLUID_OK) {
        return resultFailed;
    }
    FluidFileRenderer renderer(new_fluid_file_renderer(synth.get()));
    if (!renderer) return resultCantWrite;
    if (fluid_player_play(player.get()) != FLUID_OK) return resultFailed;

    PieceProgress progress(options.progress, player.get(), inspectMidiFile(midi)->lengthTicks);
    const auto playing = [&player] {
        return fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING;
    };
    while (playing() && !progress.pieceIsOver()) {
        if (fluid_file_renderer_process_block(renderer.get()) != FLUID_OK) return resultCantWrite;
        progress.update();
    }
    // The player goes on until the last notes have died away, which may take long: cut it.
    int periodSize = 0;
    fluid_settings_getint(s, "audio.period-size", &periodSize);
    const auto tailBlocks = static_cast<long>(renderTailSeconds * options.sampleRate /
                                              std::max(periodSize, 1));
    for (long block = 0; block < tailBlocks &&
                         (playing() || fluid_synth_get_active_voice_count(synth.get()) > 0);
         ++block) {
        if (fluid_file_renderer_process_block(renderer.get()) != FLUID_OK) return resultCantWrite;
    }
    renderer.reset();  // closes the file
    if (!partial.renameTo(wavPath)) return resultCantWrite;
    progress.finish();
    return resultOk;
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

    while (player.isPlaying() && !stopRequested.load()) std::this_thread::sleep_for(pollInterval);
    waitUnlessStopped(options.tailSeconds, stopRequested);
    player.stop();
    return resultOk;
}

}  // namespace halcyone
