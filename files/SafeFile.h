// Files that are replaced whole or not at all, and bounded reads of untrusted files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace halcyone {

// Writes a file through a temporary one in the same folder and renames it over the target only
// when every byte is on disk, so a failed save leaves the previous file as it was and nothing
// half-written behind. An uncommitted temporary is removed when the object goes away.
class SafeFile {
public:
    SafeFile() = default;
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary beside `path`. False when the folder can't take a new file or `path`
    // names something that can't be replaced by a file (a folder, a read-only file).
    bool create(const std::string& path);
    // Appends `bytes`. False when any of them could not be written.
    bool write(std::span<const std::uint8_t> bytes);
    // Flushes the temporary and renames it over the target. False (and the target untouched)
    // when any step failed, including an earlier write.
    bool commit();
    // Removes the temporary; the target stays as it was.
    void discard();

private:
    int fd_ = -1;
    bool failed_ = false;
    std::string target_;
    std::string temporary_;
};

enum class ReadStatus { Ok, CantOpen, CantRead };

// Reads at most `limit` bytes from the start of `path` into `bytes` (replacing its contents).
ReadStatus readFileHead(const std::string& path, std::size_t limit,
                        std::vector<std::uint8_t>& bytes);

}  // namespace halcyone
