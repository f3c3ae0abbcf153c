// The output ports as the command-line tool lists them.
#pragma once

#include <string>
#include <vector>

#include "playback/MusicService.h"

namespace halcyone {

struct OutputPort {
    int portNumber = 0;
    std::string name;
    bool isDefault = false;  // the first software synthesizer
};

// The output ports in the order of the "Midi device" list. Opens no port. Empty when the
// service can't be set up. An empty factory means FluidSynth and ALSA.
std::vector<OutputPort> outputPorts(const MusicServiceFactory& factory = {});

}  // namespace halcyone
