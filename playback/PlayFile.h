// Playing a file for the command-line tool: on one output port, until the piece ends or the
// user stops it.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "playback/MusicService.h"

namespace halcyone {

constexpr double playbackTailSeconds = 1.5;  // for the last notes to die away when playing

struct PlayOptions {
    std::string soundFont;               // for the built-in synthesizer; empty: the usual places
    MusicServiceFactory serviceFactory;  // empty: FluidSynth and ALSA
    double tailSeconds = playbackTailSeconds;
    std::function<void()> started;  // called once the music has started
    std::string connectTo;  // another program's port to connect the output port to (JACK)
};

// Plays `midiPath` on output port `portNumber` (-1: the default port) and returns when the
// piece has ended and its last notes have had `tailSeconds` to die away, or soon after
// `stopRequested` became true (the music is then stopped at once). resultOk in both cases.
// Fails with resultNoSuchPort when no output port has that number, and otherwise as loading
// the file, opening the port, connecting it and playing do (a load failure is reported first;
// resultNotConnectable when `connectTo` is given for a port that makes no connections). The music
// plays on the service's threads while the calling thread waits here.
int playMidiFile(const std::string& midiPath, int portNumber,
                 const std::atomic<bool>& stopRequested, const PlayOptions& options = {});

}  // namespace halcyone
