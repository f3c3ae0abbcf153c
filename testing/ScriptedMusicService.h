// A music service that plays nothing: it answers from a script and records every call, so
// that the Player and the Play/Stop commands can be checked without FluidSynth or ALSA.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "playback/MusicService.h"

namespace halcyone {

class ScriptedMusicService : public MusicService {
public:
    // Shared by the test and every service made from it; outlives the services.
    struct Script {
        std::vector<PortDescription> ports;  // port n is ports[n]
        int failEnumerationAt = -1;          // this port number answers resultFailed
        bool initialiseFails = false;        // the factory makes nothing
        int openResult = resultOk;
        int loadResult = resultOk;  // an empty path always fails with resultNotMidiFile
        int playResult = resultOk;
        int playingPolls = 0;  // after play, isPlaying answers true this many times

        std::vector<std::string> calls;  // "create", "enumerate 3", "open 2", "load x.mid",
                                         // "unload", "play", "stop", "close", "destroy"
        int alive = 0;                   // services not yet destroyed
    };

    explicit ScriptedMusicService(std::shared_ptr<Script> script);
    ~ScriptedMusicService() override;

    static MusicServiceFactory factory(std::shared_ptr<Script> script);

    int enumeratePort(int number, PortDescription& out) override;
    int openPort(const PortId& id) override;
    void closePort() override;
    int loadMidiFile(const std::string& path) override;
    void unloadMidiFile() override;
    int playFromStart() override;
    int stopAll() override;
    bool isPlaying() const override;

private:
    std::shared_ptr<Script> script_;
    mutable int pollsLeft_ = 0;
};

// An output port that is a software synthesizer when `synth` is set; its id's port field is
// `number`, which openPort records.
PortDescription scriptedOutputPort(const std::string& name, int number, bool synth = false);
PortDescription scriptedInputPort(const std::string& name, int number);

}  // namespace halcyone
