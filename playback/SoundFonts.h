// Where the built-in synthesizer looks for its General MIDI SoundFont.
#pragma once

#include <string>
#include <vector>

#include "files/FileResult.h"

namespace halcyone {

// Debian's default GM SoundFont first (fluid-soundfont-gm or timgm6mb-soundfont provide it),
// then the files and places other distributions use.
std::vector<std::string> standardSoundFontPaths();

// The first candidate that is a regular file, or an empty string when there is none.
std::string findSoundFont(const std::vector<std::string>& candidates);

// Whether `path` can serve as a SoundFont: CantOpen or CantRead with the system's reason, or
// Refused when FluidSynth does not take it for one. Loading it may still fail later.
FileResult checkSoundFont(const std::string& path);

}  // namespace halcyone
