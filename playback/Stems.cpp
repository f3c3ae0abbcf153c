#include "playback/Stems.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "playback/MidiFileCheck.h"

namespace halcyone {

namespace {

constexpr mode_t newFolderMode = 0777;  // narrowed by the umask, as for any new folder

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The folder the stems go into. One this object made is removed again when it goes, unless it
// is no longer empty.
class StemFolder {
public:
    StemFolder() = default;
    ~StemFolder() {
        if (!made_.empty()) ::rmdir(made_.c_str());
    }
    StemFolder(const StemFolder&) = delete;
    StemFolder& operator=(const StemFolder&) = delete;

    FileResult prepare(const std::string& path) {
        struct stat s {};
        if (::stat(path.c_str(), &s) == 0) {
            if (S_ISDIR(s.st_mode)) return {};
            return fileFailure(FileOutcome::CantCreate, ENOTDIR, path + " is not a folder");
        }
        if (errno != ENOENT && errno != ENOTDIR) return fileFailure(FileOutcome::CantCreate, errno);
        if (::mkdir(path.c_str(), newFolderMode) == 0) {
            made_ = path;
            return {};
        }
        const int error = errno;
        const std::string trimmed = path.substr(0, path.find_last_not_of('/') + 1);
        const std::string parent = std::filesystem::path(trimmed).parent_path().string();
        if (error == ENOENT)
            return fileFailure(FileOutcome::CantCreate, error, "Folder " + parent + " does not exist");
        if (error == ENOTDIR)
            return fileFailure(FileOutcome::CantCreate, error, parent + " is not a folder");
        return fileFailure(FileOutcome::CantCreate, error);
    }

private:
    std::string made_;
};

}  // namespace

std::string stemFileName(const ChannelPart& part, AudioFormat format) {
    const int number = part.channel + 1;
    std::string name = (number < 10 ? "0" : "") + std::to_string(number);
    bool separate = true;
    for (const char c : partName(part)) {
        if (!isAsciiLetterOrDigit(c)) {
            separate = true;
            continue;
        }
        if (separate) name += '-';
        separate = false;
        name += c;
    }
    name += '.';
    name += audioFormatExtension(format);
    return name;
}

StemsResult renderMidiToStems(std::span<const std::uint8_t> midi, const std::string& folder,
                              const RenderOptions& options) {
    StemsResult done;
    const auto cantWrite = [&done](FileResult why, const std::string& path) {
        done.render.result = resultCantWrite;
        done.render.file = std::move(why);
        done.failedPath = path;
        return done;
    };
    if (!isStandardMidiFile(midi)) {
        done.render.result = resultNotMidiFile;
        return done;
    }
    const std::vector<ChannelPart> parts = channelParts(midi);
    if (parts.empty()) return done;

    StemFolder place;
    if (FileResult made = place.prepare(folder); !made.ok()) return cantWrite(made, folder);
    std::vector<std::string> paths;
    std::vector<SafeFile> stems(parts.size());
    std::vector<ChannelOutput> outputs;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        paths.push_back((std::filesystem::path(folder) / stemFileName(parts[k], options.format))
                            .string());
        if (FileResult opened = stems[k].open(paths[k]); !opened.ok())
            return cantWrite(opened, paths[k]);
        outputs.push_back({&stems[k], parts[k].channel});
    }

    done.render = renderMidiToOutputs(midi, outputs, options);
    if (!done.render.ok()) {
        if (done.render.failedOutput >= 0) done.failedPath = paths[done.render.failedOutput];
        return done;
    }
    // All safe on the disk before the first is put in place.
    for (std::size_t k = 0; k < stems.size(); ++k)
        if (FileResult synced = stems[k].sync(); !synced.ok()) return cantWrite(synced, paths[k]);
    for (std::size_t k = 0; k < stems.size(); ++k)
        if (FileResult put = stems[k].commit(); !put.ok()) return cantWrite(put, paths[k]);
    done.files = std::move(paths);
    if (options.progress) options.progress(1.0);
    return done;
}

}  // namespace halcyone
