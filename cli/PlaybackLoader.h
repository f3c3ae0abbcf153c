// Opens the playback module for the subcommands that make sound.
#pragma once

#include <string>
#include <vector>

#include "playback/PlaybackModule.h"

namespace halcyone::cli {

// Where the module is looked for, in order, for the tool at `executable` (its real path):
// beside it, as in the build tree, then `installedDir` (relative to the tool's folder, e.g.
// "../lib/halcyone").
std::vector<std::string> playbackModuleCandidates(const std::string& executable,
                                                  const std::string& installedDir);

struct LoadedPlayback {
    const PlaybackModule* module = nullptr;
    std::string error;  // "can't load the playback module PATH: why" when module is null
};

// The first candidate that exists is opened (the last one when none does, for its message);
// a module of another version is refused. `version` is the tool's.
LoadedPlayback loadPlaybackModule(const std::vector<std::string>& candidates,
                                  const std::string& version);

// The module for this process, opened on the first call and kept open.
const LoadedPlayback& playbackModule();

}  // namespace halcyone::cli
