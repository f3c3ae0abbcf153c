#include "playback/Playback.h"

#include <cstdint>

#include "platform/ControlSeam.h"

namespace halcyone {

PlaybackState playbackState;

namespace {

std::unique_ptr<Player> makePlayer() {
    return std::make_unique<Player>(playbackState.serviceFactory);
}

// The port record behind list entry `entry`, or nullptr.
const PortInfo* selectedPort(int entry) {
    if (entry < 0) return nullptr;
    const std::intptr_t portNumber = controlItemData(ControlId::MidiDevice, entry);
    if (portNumber < 0 || static_cast<std::size_t>(portNumber) >= portTableSize) return nullptr;
    return &playbackState.portTable[static_cast<std::size_t>(portNumber)];
}

}  // namespace

PortListing listOutputPorts(Player& player, PortTable& table, bool openDefault) {
    PortListing listing;
    for (std::size_t number = 0; number < table.size(); ++number) {
        PortInfo& info = table[number];
        if (player.enumeratePort(static_cast<int>(number), info) != resultOk) break;
        if (!info.isOutput()) continue;
        listing.portNumbers.push_back(static_cast<int>(number));
        if (info.isSoftwareSynth() && listing.defaultEntry < 0) {
            if (openDefault) player.createPort(info);
            listing.defaultEntry = static_cast<int>(listing.portNumbers.size()) - 1;
        }
    }
    return listing;
}

int createStartupPlayer() {
    playbackState.player = makePlayer();
    const int result = playbackState.player->initialise();
    if (!succeeded(result)) playbackState.player.reset();
    return result;
}

void listMidiDevices() {
    clearControlEntries(ControlId::MidiDevice);
    if (!playbackState.player) return;
    const PortListing listing =
        listOutputPorts(*playbackState.player, playbackState.portTable, true);
    for (const int number : listing.portNumbers) {
        const auto& info = playbackState.portTable[static_cast<std::size_t>(number)];
        const int entry = addControlEntry(ControlId::MidiDevice, std::string(info.displayName()));
        setControlItemData(ControlId::MidiDevice, entry, number);
    }
    setControlSelection(ControlId::MidiDevice, listing.defaultEntry);
}

int startPlayback(const std::string& midiPath) {
    const PortInfo* selected = selectedPort(controlSelection(ControlId::MidiDevice));
    if (!selected) return resultNoDeviceSelected;
    const PortInfo port = *selected;
    playbackState.player.reset();  // tears down the old Player, which stops its music
    playbackState.player = makePlayer();
    Player& player = *playbackState.player;
    if (!succeeded(player.initialise())) return resultNotInitialised;
    const int portResult = player.createPort(port);
    if (!succeeded(player.loadSegment(midiPath, true))) return resultNotMidiFile;
    // Playing without a port would be silent: say what is missing instead.
    if (!succeeded(portResult)) return portResult;
    if (const int playResult = player.play(); !succeeded(playResult)) return playResult;
    playbackState.playState = PlayState::Playing;
    return resultOk;
}

void stopPlayback() {
    if (playbackState.playState != PlayState::Playing) return;
    if (playbackState.player) playbackState.player->stop();
    playbackState.playState = PlayState::Stopped;
}

void resetPlayback() {
    playbackState.player.reset();
    playbackState.playState = PlayState::Idle;
    playbackState.portTable = PortTable{};
    playbackState.serviceFactory = nullptr;
}

}  // namespace halcyone
