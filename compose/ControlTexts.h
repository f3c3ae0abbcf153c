// The entries of the window's lists, in list order: the entry number is what a Channel stores.
#pragma once

#include <array>
#include <string_view>

#include "compose/Channel.h"
#include "compose/NoteEvent.h"

namespace halcyone {

constexpr int instrumentEntries = maxInstrument + 1;  // "Off", then General MIDI programs 1..127

// "Off", then the names of General MIDI programs 1 to 127; also the channel buttons' captions.
extern const std::array<std::string_view, instrumentEntries> instrumentNames;
extern const std::array<std::string_view, modeCount> modeNames;
extern const std::array<std::string_view, midiParameterCount> parameterNames;
extern const std::array<std::string_view, noteLengthCount> noteLengthNames;

}  // namespace halcyone
