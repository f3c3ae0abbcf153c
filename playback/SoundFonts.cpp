#include "playback/SoundFonts.h"

#include <filesystem>
#include <system_error>

namespace halcyone {

std::vector<std::string> standardSoundFontPaths() {
    return {
        "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf3/default-GM.sf3",
        "/usr/share/sounds/sf3/MuseScore_General.sf3",
        "/usr/share/soundfonts/default.sf2",
        "/usr/share/soundfonts/FluidR3_GM.sf2",
        "/usr/share/soundfonts/FluidR3_GM2-2.sf2",
        "/usr/share/soundfonts/default.sf3",
        "/usr/share/soundfonts/FluidR3_GM.sf3",
        "/usr/local/share/soundfonts/default.sf2",
    };
}

std::string findSoundFont(const std::vector<std::string>& candidates) {
    for (const std::string& path : candidates) {
        std::error_code error;
        if (!path.empty() && std::filesystem::is_regular_file(path, error)) return path;
    }
    return {};
}

}  // namespace halcyone
