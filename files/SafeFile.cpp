#include "files/SafeFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string_view>

namespace halcyone {

namespace {

constexpr int temporaryAttempts = 100;
constexpr int maxLinkHops = 40;  // as the kernel allows
constexpr mode_t newFileMode = 0666;  // narrowed by the umask, as for any new file
constexpr mode_t setIdAndPermissionBits = 07777;
constexpr mode_t permissionBits = 01777;
constexpr std::size_t copyBlock = 1 << 16;

std::atomic<unsigned> temporaryCounter{0};

std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A failure to create `path`, with a missing folder or a file in the way of one named.
FileResult cantCreate(const std::string& path, int error) {
    if (error == ENOENT || error == ENOTDIR) {
        const std::string folder = folderOf(path);
        struct stat s {};
        if (::stat(folder.c_str(), &s) != 0 && errno == ENOENT)
            return fileFailure(FileOutcome::CantCreate, ENOENT, "Folder " + folder + " does not exist");
        if (error == ENOTDIR || !S_ISDIR(s.st_mode))
            return fileFailure(FileOutcome::CantCreate, ENOTDIR, folder + " is not a folder");
    }
    return fileFailure(FileOutcome::CantCreate, error);
}

// The descriptor that `path` names when it is one of this process's own (/dev/stdout,
// /dev/fd/N, /proc/self/fd/N); -1 otherwise. Writing through it honours the shell's
// redirection (appending, a pipe), which opening the name anew would not.
int descriptorNamed(const std::string& path) {
    if (path == standardOutputPath) return STDOUT_FILENO;
    const std::filesystem::path p(path);
    const std::string name = p.filename().string();
    if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    std::array<char, PATH_MAX> real{};
    if (::realpath(folderOf(path).c_str(), real.data()) == nullptr) return -1;
    const std::string folder = real.data();
    if (folder != "/proc/self/fd" && folder != "/proc/" + std::to_string(::getpid()) + "/fd")
        return -1;
    return std::stoi(name);
}

struct Target {
    std::string path;     // the name finally written, which need not exist
    int descriptor = -1;  // or this process's descriptor
    int error = 0;
};

// Follows the chain of symbolic links from `path`. A dangling link gives the file it would
// point to, so that the link survives the save.
Target resolveTarget(std::string path) {
    for (int hop = 0; hop < maxLinkHops; ++hop) {
        if (const int fd = descriptorNamed(path); fd >= 0) return {path, fd};
        struct stat s {};
        if (::lstat(path.c_str(), &s) != 0 || !S_ISLNK(s.st_mode)) return {path};
        std::array<char, PATH_MAX> link{};
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size() - 1);
        if (length < 0) return {path, -1, errno};
        const std::string_view next(link.data(), static_cast<std::size_t>(length));
        path = next.starts_with('/') ? std::string(next)
                                     : (std::filesystem::path(folderOf(path)) / next).string();
    }
    return {path, -1, ELOOP};
}

// Hidden, and unique to this process and call: ".name.tmp<pid>-<n>".
std::string temporaryName(const std::string& target) {
    const std::filesystem::path p(target);
    std::string name = ".";
    name += p.filename().string();
    name += ".tmp";
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(temporaryCounter.fetch_add(1));
    return (std::filesystem::path(folderOf(target)) / name).string();
}

bool writeAllTo(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes a rename in `folder` survive a crash.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

SafeFile::SafeFile() = default;

SafeFile::~SafeFile() { discard(); }

FileResult SafeFile::open(const std::string& path) {
    discard();
    failure_ = {};
    if (path.empty()) return fail(fileFailure(FileOutcome::CantCreate, ENOENT));
    const Target target = resolveTarget(path);
    if (target.error != 0) return fail(fileFailure(FileOutcome::CantCreate, target.error));
    target_ = target.path;
    if (target.descriptor >= 0) {
        directFd_ = ::fcntl(target.descriptor, F_DUPFD_CLOEXEC, 0);
        if (directFd_ < 0) return fail(fileFailure(FileOutcome::CantCreate, errno));
        return {};
    }

    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return fail(cantCreate(target_, errno));
    if (exists && S_ISDIR(existing.st_mode))
        return fail(fileFailure(FileOutcome::CantCreate, EISDIR));
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a pipe: opened as it is, never created, truncated or replaced. A pipe
        // without a reader blocks here; a signal that interrupts the wait ends it (EINTR).
        directFd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (directFd_ < 0) return fail(fileFailure(FileOutcome::CantCreate, errno));
        return {};
    }
    if (exists && ::access(target_.c_str(), W_OK) != 0)
        return fail(fileFailure(FileOutcome::CantCreate, errno));

    for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
        const std::string name = temporaryName(target_);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
        if (fd >= 0) {
            fd_ = fd;
            temporary_ = name;
            if (exists) {
                // Owner first: changing it clears set-ID bits, which come back only with the
                // owner (only a privileged process may give a file away).
                const bool owned = ::fchown(fd_, existing.st_uid, existing.st_gid) == 0;
                ::fchmod(fd_, existing.st_mode & (owned ? setIdAndPermissionBits : permissionBits));
            }
            return {};
        }
        if (errno != EEXIST) return fail(cantCreate(name, errno));
    }
    return fail(fileFailure(FileOutcome::CantCreate, EEXIST));
}

FileResult SafeFile::write(std::span<const std::uint8_t> bytes) {
    if (!failure_.ok()) return failure_;
    const int fd = direct() ? directFd_ : fd_;
    if (fd < 0) return fail(fileFailure(FileOutcome::CantWrite, EBADF));
    if (!writeAllTo(fd, bytes)) return fail(fileFailure(FileOutcome::CantWrite, errno));
    return {};
}

FileResult SafeFile::fillPath(std::string& path) {
    if (!failure_.ok()) return failure_;
    if (direct()) {
        if (directFill_.path().empty()) {
            const FileResult made = directFill_.create(temporaryFolder().path, ".tmp");
            if (!made.ok()) return fail(made);
        }
        path = directFill_.path();
        return {};
    }
    if (temporary_.empty()) return fail(fileFailure(FileOutcome::CantCreate, EBADF));
    filledByName_ = true;
    path = temporary_;
    return {};
}

FileResult SafeFile::sync() {
    if (!failure_.ok()) {
        discard();
        return failure_;
    }
    if (direct() || synced_) return {};
    if (fd_ < 0) return fail(fileFailure(FileOutcome::CantWrite, EBADF));

    int syncFd = fd_;
    if (filledByName_) {
        // The library may have made the file anew under the name: sync what the name holds.
        syncFd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
        if (syncFd < 0) return fail(fileFailure(FileOutcome::CantWrite, errno));
    }
    int error = ::fsync(syncFd) == 0 ? 0 : errno;
    if (syncFd != fd_) ::close(syncFd);
    if (::close(fd_) != 0 && error == 0) error = errno;
    fd_ = -1;
    if (error != 0) return fail(fileFailure(FileOutcome::CantWrite, error));
    synced_ = true;
    return {};
}

FileResult SafeFile::commit() {
    if (const FileResult synced = sync(); !synced.ok()) {
        discard();
        return synced;
    }
    if (direct()) return commitDirect();
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const FileResult failed = fail(fileFailure(FileOutcome::CantWrite, errno));
        discard();
        return failed;
    }
    temporary_.clear();
    synced_ = false;
    syncFolder(folderOf(target_));
    return {};
}

FileResult SafeFile::finish(std::span<const std::uint8_t> bytes) {
    if (const FileResult written = write(bytes); !written.ok()) {
        discard();
        return written;
    }
    return commit();
}

FileResult SafeFile::commitDirect() {
    int error = 0;
    if (!directFill_.path().empty()) {
        const int in = ::open(directFill_.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) error = errno;
        std::vector<std::uint8_t> block(copyBlock);
        while (error == 0) {
            const ssize_t got = ::read(in, block.data(), block.size());
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) error = errno;
            if (got <= 0) break;
            if (!writeAllTo(directFd_, std::span(block.data(), static_cast<std::size_t>(got))))
                error = errno;
        }
        if (in >= 0) ::close(in);
        directFill_.remove();
    }
    if (::close(directFd_) != 0 && error == 0 && errno != EINTR) error = errno;
    directFd_ = -1;
    if (error != 0) return fail(fileFailure(FileOutcome::CantWrite, error));
    return {};
}

void SafeFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (directFd_ >= 0) ::close(directFd_);
    directFd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    directFill_.remove();
    filledByName_ = false;
    synced_ = false;
}

FileResult SafeFile::fail(FileResult failure) {
    if (failure_.ok()) failure_ = std::move(failure);
    return failure_;
}

FileResult writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    SafeFile file;
    if (const FileResult opened = file.open(path); !opened.ok()) return opened;
    return file.finish(bytes);
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

FileResult readFileHead(const std::string& path, std::size_t limit,
                        std::vector<std::uint8_t>& bytes) {
    bytes.assign(limit, 0);
    // Non-blocking, so that a named pipe picked by mistake cannot hang the window.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        bytes.clear();
        return fileFailure(FileOutcome::CantOpen, errno);
    }
    std::size_t filled = 0;
    FileResult result;
    while (filled < limit) {
        const ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) result = fileFailure(FileOutcome::CantRead, errno);
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(result.ok() ? filled : 0);
    return result;
}

}  // namespace halcyone
