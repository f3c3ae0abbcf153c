// The music service a Player works through: lists ports, opens one, loads a Standard MIDI File
// and plays it. The program's own implementation is FluidMusicService (FluidSynth and the ALSA
// sequencer); tests use ScriptedMusicService. Results are the codes of MusicResult.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "playback/MusicResult.h"
#include "playback/PortInfo.h"

namespace halcyone {

class MusicService {
public:
    // Destroying the service stops the music and releases every handle it holds.
    virtual ~MusicService() = default;

    // Describes port `number` (from 0). resultOk when it exists, resultNoSuchPort past the
    // last one, negative on failure; `out` is filled only on resultOk.
    virtual int enumeratePort(int number, PortDescription& out) = 0;
    // Opens the port and routes MIDI channels 1 to 16 to it. One port per service.
    virtual int openPort(const PortId& id) = 0;
    virtual void closePort() = 0;
    // Connects the open port to `destination`, a port of another program, where the port has
    // connections of its own (JACK); resultNotConnectable where it has none.
    virtual int connectPort(const std::string& destination) {
        (void)destination;
        return resultNotConnectable;
    }
    // Reads and checks the file; replaces (and stops) a file loaded earlier.
    virtual int loadMidiFile(const std::string& path) = 0;
    virtual void unloadMidiFile() = 0;
    // Plays the loaded file from its beginning on the open port; returns at once.
    virtual int playFromStart() = 0;
    // Stops everything at once and rewinds.
    virtual int stopAll() = 0;
    // True while the file is still being played (not after it ended or was stopped).
    virtual bool isPlaying() const = 0;
};

// Creates the service for one Player; nullptr when the service can't be set up.
using MusicServiceFactory = std::function<std::unique_ptr<MusicService>()>;

}  // namespace halcyone
