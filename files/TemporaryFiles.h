// Where the program keeps files of its own: the user's cache folder and the temporary folder,
// and temporary files that never outlive their owner.
#pragma once

#include <string>

#include "files/FileResult.h"

namespace halcyone {

// $XDG_CACHE_HOME/halcyone when XDG_CACHE_HOME is an absolute path, else ~/.cache/halcyone;
// empty when neither gives one. The folder may not exist yet.
std::string cacheFolder();

struct TemporaryFolder {
    std::string path;       // empty when no folder will do
    std::string unusable;   // the value of $TMPDIR when it is set but can't be used
    int unusableError = 0;  // why not (errno)
};

// $TMPDIR when it names a folder this process can write in; otherwise /tmp, otherwise the
// cache folder (created when missing).
TemporaryFolder temporaryFolder();

// A new file with a unique name ("halcyone-XXXXXX" and `suffix`) in `folder`, readable and
// writable by the user only, removed when the object goes.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    FileResult create(const std::string& folder, const std::string& suffix);
    const std::string& path() const { return path_; }
    void remove();

private:
    std::string path_;
};

}  // namespace halcyone
