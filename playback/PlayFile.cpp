#include "playback/PlayFile.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "playback/FluidMusicService.h"
#include "playback/Playback.h"
#include "playback/Player.h"

namespace halcyone {

namespace {

constexpr auto pollInterval = std::chrono::milliseconds(20);

void waitUnlessStopped(double seconds, const std::atomic<bool>& stop) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!stop.load() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(pollInterval);
    }
}

}  // namespace

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
    if (!options.connectTo.empty()) {
        if (const int result = player.connect(options.connectTo); !succeeded(result)) return result;
    }
    if (const int result = player.play(); !succeeded(result)) return result;
    if (options.started) options.started();

    while (player.isPlaying() && !stopRequested.load()) std::this_thread::sleep_for(pollInterval);
    waitUnlessStopped(options.tailSeconds, stopRequested);
    player.stop();
    return resultOk;
}

}  // namespace halcyone
