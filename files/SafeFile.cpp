#include "files/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace halcyone {

namespace {

constexpr int temporaryAttempts = 100;
constexpr mode_t newFileMode = 0666;  // narrowed by the umask, as for any new file
constexpr mode_t permissionBits = 07777;

std::atomic<unsigned> temporaryCounter{0};

// A symbolic link is saved through: the file it points to is replaced, the link stays.
std::string resolvedTarget(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const auto target = std::filesystem::canonical(path, error);
    return error ? path : target.string();
}

// Hidden, and unique to this process and call: ".name.tmp<pid>-<n>".
std::string temporaryName(const std::filesystem::path& target) {
    std::string name = ".";
    name += target.filename().string();
    name += ".tmp";
    name += std::to_string(getpid());
    name += '-';
    name += std::to_string(temporaryCounter.fetch_add(1));
    return (target.parent_path() / name).string();
}

}  // namespace

SafeFile::~SafeFile() { discard(); }

bool SafeFile::create(const std::string& path) {
    discard();
    failed_ = false;
    if (path.empty()) return false;
    target_ = resolvedTarget(path);

    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || ::access(target_.c_str(), W_OK) != 0))
        return false;
    const std::filesystem::path target(target_);
    if (target.filename().empty()) return false;

    for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
        const std::string name = temporaryName(target);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
        if (fd >= 0) {
            fd_ = fd;
            temporary_ = name;
            // A replaced file keeps its permissions.
            if (exists) ::fchmod(fd_, existing.st_mode & permissionBits);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool SafeFile::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0 || failed_) return false;
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            failed_ = true;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool SafeFile::commit() {
    if (fd_ < 0) return false;
    bool ok = !failed_ && ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    if (ok && ::rename(temporary_.c_str(), target_.c_str()) == 0) {
        temporary_.clear();
        return true;
    }
    discard();
    return false;
}

void SafeFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

ReadStatus readFileHead(const std::string& path, std::size_t limit,
                        std::vector<std::uint8_t>& bytes) {
    bytes.assign(limit, 0);
    // Non-blocking, so that a named pipe picked by mistake cannot hang the window.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        bytes.clear();
        return ReadStatus::CantOpen;
    }
    std::size_t filled = 0;
    ReadStatus status = ReadStatus::Ok;
    while (filled < limit) {
        const ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) status = ReadStatus::CantRead;
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(status == ReadStatus::Ok ? filled : 0);
    return status;
}

}  // namespace halcyone
