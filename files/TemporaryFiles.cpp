#include "files/TemporaryFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace halcyone {

namespace {

constexpr const char* cacheFolderName = "halcyone";
constexpr const char* systemTemporaryFolder = "/tmp";
constexpr const char* temporaryPrefix = "halcyone-XXXXXX";

// 0 when `folder` is a folder this process may create files in, else the reason.
int folderProblem(const std::string& folder) {
    struct stat s {};
    if (::stat(folder.c_str(), &s) != 0) return errno;
    if (!S_ISDIR(s.st_mode)) return ENOTDIR;
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return errno;
    return 0;
}

}  // namespace

std::string cacheFolder() {
    std::filesystem::path folder;
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (cacheHome && std::filesystem::path(cacheHome).is_absolute())
        folder = cacheHome;
    else if (home && *home)
        folder = std::filesystem::path(home) / ".cache";
    else
        return {};
    return (folder / cacheFolderName).string();
}

TemporaryFolder temporaryFolder() {
    TemporaryFolder result;
    const char* fromEnvironment = std::getenv("TMPDIR");
    if (fromEnvironment && *fromEnvironment) {
        const int problem = folderProblem(fromEnvironment);
        if (problem == 0) {
            result.path = fromEnvironment;
            return result;
        }
        result.unusable = fromEnvironment;
        result.unusableError = problem;
    }
    if (folderProblem(systemTemporaryFolder) == 0) {
        result.path = systemTemporaryFolder;
        return result;
    }
    const std::string cache = cacheFolder();
    std::error_code ignored;
    if (!cache.empty()) std::filesystem::create_directories(cache, ignored);
    if (!cache.empty() && folderProblem(cache) == 0) result.path = cache;
    return result;
}

TemporaryFile::~TemporaryFile() { remove(); }

FileResult TemporaryFile::create(const std::string& folder, const std::string& suffix) {
    remove();
    if (folder.empty()) return fileFailure(FileOutcome::CantCreate, 0, "no temporary folder can be used");
    std::string name = (std::filesystem::path(folder) / temporaryPrefix).string() + suffix;
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) return fileFailure(FileOutcome::CantCreate, errno);
    ::close(fd);
    path_ = name;
    return {};
}

void TemporaryFile::remove() {
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace halcyone
