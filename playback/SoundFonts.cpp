#include "playback/SoundFonts.h"

#include <fcntl.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "playback/FluidHandles.h"

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

FileResult checkSoundFont(const std::string& path) {
    quietFluidSynth();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fileFailure(FileOutcome::CantOpen, errno);
    struct stat s {};
    const bool regular = ::fstat(fd, &s) == 0 && S_ISREG(s.st_mode);
    const bool isDirectory = S_ISDIR(s.st_mode);
    ::close(fd);
    if (isDirectory) return fileFailure(FileOutcome::CantRead, EISDIR);
    if (!regular || !fluid_is_soundfont(path.c_str()))
        return fileFailure(FileOutcome::Refused, 0, "not a SoundFont file");
    return {};
}

}  // namespace halcyone
