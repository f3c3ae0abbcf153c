// Playback as the main window runs it: the Player created at start-up, the "Midi device" list,
// Play and Stop. One thread (the one that owns the controls) calls all of this.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "playback/MusicService.h"
#include "playback/Player.h"
#include "playback/PortInfo.h"

namespace halcyone {

enum class PlayState : int {
    Playing = 0,
    Stopped = 1,
    Idle = 4,  // nothing played yet
};

using PortTable = std::array<PortInfo, portTableSize>;

// The playback part of the process-wide state. Lives as long as the process.
struct PlaybackState {
    PlayState playState = PlayState::Idle;
    std::unique_ptr<Player> player;
    PortTable portTable{};             // port number n in entry n
    MusicServiceFactory serviceFactory;  // empty: FluidSynth and ALSA
};

extern PlaybackState playbackState;

// The output ports found by a listing: their port numbers in list order, and the list entry
// of the first software synthesizer (-1 when there is none).
struct PortListing {
    std::vector<int> portNumbers;
    int defaultEntry = -1;
};

// Describes ports 0, 1, 2, ... into `table` until the service reports no port (or fails), at
// most portTableSize of them. When `openDefault` is set, the first software synthesizer is
// opened on `player` as soon as it is found (its result is not checked).
PortListing listOutputPorts(Player& player, PortTable& table, bool openDefault);

// Start-up: creates and initialises the Player. On failure it is released again and the
// result returned; the window then shows initialiseFailedText and ends.
int createStartupPlayer();

// Start-up, after createStartupPlayer: fills "Midi device" with the output ports, each entry
// carrying its port number as item data, opens the default port on the start-up Player and
// selects it (or nothing when no output port is a software synthesizer).
void listMidiDevices();

// Play, after the composition was written to `midiPath` (empty when nothing was written):
// replaces the Player with a new one on the selected port and plays the file from its
// beginning. Every failure leaves playState alone and is returned for the window to tell
// (describeMusicResult): no entry selected (resultNoDeviceSelected; the music playing goes
// on), the service can't be set up (resultNotInitialised), the file can't be loaded
// (resultNotMidiFile, whatever the service said), the port can't be opened or the file can't
// be started (the service's code, which says what is missing and how to get it).
int startPlayback(const std::string& midiPath);

// Stop: stops the music when something was played and not stopped since; otherwise nothing.
void stopPlayback();

// Releases the Player and puts playback back to its start-up state (for tests and the tools).
void resetPlayback();

}  // namespace halcyone
