// The playback object: one music service, the port opened on it, the loaded file and whether
// it was started. Each operation returns the first failing result code, or resultOk.
#pragma once

#include <memory>
#include <string>

#include "playback/MusicService.h"
#include "playback/PortInfo.h"

namespace halcyone {

class Player {
public:
    // Nothing is set up until initialise. An empty factory means the FluidSynth/ALSA service.
    explicit Player(MusicServiceFactory factory = {});
    ~Player();  // runs teardown
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Creates the music service. Fails (resultNotInitialised) when the factory can't.
    int initialise();
    // Describes port `number` into `out`: resultOk, resultNoSuchPort past the last port, or a
    // failure (then `out` is unchanged).
    int enumeratePort(int number, PortInfo& out);
    // Opens the port `info` names, for MIDI channels 1 to 16.
    int createPort(const PortInfo& info);
    // Connects the open port to another program's port `destination` (the JACK MIDI port).
    int connect(const std::string& destination);
    // Loads a Standard MIDI File, releasing one loaded earlier. Only Standard MIDI Files can be
    // played, so `standardMidi` false is refused.
    int loadSegment(const std::string& path, bool standardMidi);
    // Plays the loaded file from its beginning; returns at once.
    int play();
    // Stops everything at once and rewinds the file.
    int stop();
    // Releases the file, the port and the service, in that order. Safe to call again.
    void teardown();

    bool isPlaying() const;

private:
    MusicServiceFactory factory_;
    std::unique_ptr<MusicService> service_;
    bool portOpen_ = false;
    bool segmentLoaded_ = false;
};

}  // namespace halcyone
