// The one way the program writes a file, so that saving never destroys what was there, and
// bounded reads of untrusted files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/FileResult.h"
#include "files/TemporaryFiles.h"

namespace halcyone {

// Names standard output; writing to it never replaces anything.
inline constexpr const char* standardOutputPath = "/dev/stdout";

// Writes one file whole or not at all.
//
// A regular file, new or existing, is written to a temporary with a unique name in the same
// folder, synced, and renamed over the target only when everything succeeded; a replaced file
// keeps its permissions (and its owner, where the process may set it). A symbolic link is
// written through: the file it points to gets the new content and the link stays a link.
// A target that is not a regular file (a device such as /dev/null, a named pipe, standard
// output or another descriptor of this process named by /dev/fd/N) is written directly and
// never replaced; nothing reaches it before commit() when the content is filled by name.
// Whatever is not committed is removed when the object goes.
class SafeFile {
public:
    // Out of line, like everything of the engine that the playback module calls.
    SafeFile();
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Prepares to write `path`: CantCreate (with the system's reason, or a missing folder
    // named) when the folder can't take a new file or `path` names a folder, a read-only file
    // or a device that can't be opened for writing. A named pipe blocks here until it has a
    // reader.
    FileResult open(const std::string& path);
    // After open: the target is written directly, not through a temporary beside it.
    bool direct() const { return directFd_ >= 0; }

    // Appends `bytes`; CantWrite on failure, which sticks until commit().
    FileResult write(std::span<const std::uint8_t> bytes);

    // For a library that writes by file name instead of write(): a path it may create, truncate
    // and fill, valid until commit() or discard(). For a regular target it is the temporary
    // beside it; for a direct target a temporary in temporaryFolder(), which commit() copies
    // across.
    FileResult fillPath(std::string& path);

    // Syncs the temporary to the disk and closes it, so that commit() has only to rename it: a
    // set of files is put in place once every one of them is safe. Nothing for a direct target.
    // On failure the target is as it was and no temporary is left.
    FileResult sync();
    // Syncs (unless done) and renames the temporary over the target (or finishes a direct
    // write). On failure the target is as it was (a direct target may have received part of the
    // content) and no temporary is left.
    FileResult commit();
    // write(bytes), then commit().
    FileResult finish(std::span<const std::uint8_t> bytes);
    // Removes the temporary; the target stays as it was.
    void discard();

private:
    FileResult fail(FileResult failure);
    FileResult commitDirect();

    int fd_ = -1;        // the temporary beside a regular target
    int directFd_ = -1;  // a target written directly
    bool filledByName_ = false;
    bool synced_ = false;  // the temporary is on the disk and closed
    FileResult failure_;
    std::string target_;
    std::string temporary_;
    TemporaryFile directFill_;
};

// Writes `bytes` as the whole content of `path` through a SafeFile.
FileResult writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// True when both paths name one existing file: the same path, a symbolic link to it or a
// hard link of it.
bool sameFile(const std::string& a, const std::string& b);

// Reads at most `limit` bytes from the start of `path` into `bytes` (replacing its contents):
// CantOpen or CantRead with the system's reason on failure, and then `bytes` is empty.
FileResult readFileHead(const std::string& path, std::size_t limit,
                        std::vector<std::uint8_t>& bytes);

}  // namespace halcyone
