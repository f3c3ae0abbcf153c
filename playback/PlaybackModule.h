// The playback module: halcyone-cli opens halcyone-playback.so only for the subcommands that
// make sound, so that the others start without mapping FluidSynth and its libraries. The
// module exports one C function returning this table. Both sides are built together from the
// same sources and the table passes C++ types, so the module refuses to be used by a tool of
// another version.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/FileResult.h"
#include "files/SafeFile.h"
#include "playback/MusicService.h"
#include "playback/OutputPorts.h"
#include "playback/PlayFile.h"
#include "playback/Render.h"
#include "playback/Stems.h"

namespace halcyone {

struct PlaybackModule {
    const char* version;  // the project version the module was built with
    FileResult (*checkSoundFont)(const std::string& path);
    std::vector<std::string> (*standardSoundFontPaths)();
    std::string (*findSoundFont)(const std::vector<std::string>& candidates);
    RenderResult (*renderMidiToAudio)(std::span<const std::uint8_t> midi, SafeFile& output,
                                      const RenderOptions& options);
    StemsResult (*renderMidiToStems)(std::span<const std::uint8_t> midi, const std::string& folder,
                                     const RenderOptions& options);
    std::vector<OutputPort> (*outputPorts)(const MusicServiceFactory& factory);
    int (*playMidiFile)(const std::string& midiPath, int portNumber,
                        const std::atomic<bool>& stopRequested, const PlayOptions& options);
};

inline constexpr const char* playbackModuleFile = "halcyone-playback.so";
inline constexpr const char* playbackModuleEntry = "halcyone_playback_module";

}  // namespace halcyone

extern "C" const halcyone::PlaybackModule* halcyone_playback_module();
