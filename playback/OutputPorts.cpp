#include "playback/OutputPorts.h"

#include "playback/Playback.h"
#include "playback/Player.h"

namespace halcyone {

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

}  // namespace halcyone
