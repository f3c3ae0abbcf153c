// The one writer of every output: what it replaces and what it never replaces, what it leaves
// behind when something fails. A regular target filled by name is RenderTest's, and what only
// the command-line tool does (output = input, $TMPDIR, signals) is cli_test.sh's.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "FilesTestSupport.h"
#include "files/SafeFile.h"

namespace halcyone {
namespace {

using namespace testing;

namespace fs = std::filesystem;

FileResult save(const std::string& path, const Bytes& bytes) {
    SafeFile file;
    if (FileResult opened = file.open(path); !opened.ok()) return opened;
    if (FileResult written = file.write(bytes); !written.ok()) return written;
    return file.commit();
}

// What a writer sends through the FIFO at `path` until it closes its end; nothing when no
// writer comes, or goes quiet, for `patience`. A save that fails before it opens the FIFO then
// fails the test instead of leaving the reader waiting for ever.
std::optional<Bytes> readFifo(const std::string& path, std::chrono::milliseconds patience) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<Bytes> received = Bytes{};
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(patience.count())) <= 0) {
            received.reset();
            break;
        }
        std::uint8_t chunk[4096];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) break;  // the writer has closed its end
        if (n > 0) received->insert(received->end(), chunk, chunk + n);
    }
    ::close(fd);
    return received;
}

mode_t modeOf(const std::string& path) {
    struct stat s {};
    ::stat(path.c_str(), &s);
    return s.st_mode;
}

// A replaced file keeps its permissions, a new one gets the umask's; a link is written through,
// whether it points to a file or to nothing yet; two writers of one file never share a
// temporary, and files whose names look like temporaries are nobody's business.
TEST(SafeFile, ReplacesRegularFilesKeepingModeAndLinks) {
    TempDir dir;
    const mode_t oldMask = ::umask(022);
    writeAll(dir.file("song.mid"), {'o', 'l', 'd'});
    ::chmod(dir.file("song.mid").c_str(), 0604);
    fs::create_symlink("song.mid", dir.file("link.mid"));
    fs::create_symlink(dir.file("link.mid"), dir.file("chain.mid"));
    fs::create_symlink("made.mid", dir.file("dangling.mid"));
    writeAll(dir.file("song.mid.part"), {'u'});
    writeAll(dir.file("song.mid.partial"), {'u'});

    EXPECT_TRUE(save(dir.file("chain.mid"), {1, 2, 3}).ok());
    EXPECT_TRUE(save(dir.file("dangling.mid"), {4}).ok());
    EXPECT_TRUE(save(dir.file("new.mid"), {5}).ok());
    ::umask(oldMask);
    EXPECT_EQ(readAll(dir.file("song.mid")), (Bytes{1, 2, 3}));
    EXPECT_EQ(modeOf(dir.file("song.mid")) & 07777, 0604u);
    EXPECT_EQ(readAll(dir.file("made.mid")), Bytes{4});
    EXPECT_EQ(modeOf(dir.file("new.mid")) & 07777, 0644u);
    for (const char* link : {"link.mid", "chain.mid", "dangling.mid"})
        EXPECT_TRUE(fs::is_symlink(dir.file(link))) << link;

    SafeFile first, second;
    ASSERT_TRUE(first.open(dir.file("song.mid")).ok());
    ASSERT_TRUE(second.open(dir.file("song.mid")).ok());
    EXPECT_EQ(dir.entries().size(), 10u);  // two temporaries of their own
    EXPECT_TRUE(first.write(Bytes{6}).ok() && second.write(Bytes{7}).ok());
    EXPECT_TRUE(first.commit().ok() && second.commit().ok());
    EXPECT_EQ(readAll(dir.file("song.mid")), Bytes{7});
    EXPECT_EQ(dir.entries(), (Texts{"chain.mid", "dangling.mid", "link.mid", "made.mid",
                                    "new.mid", "song.mid", "song.mid.part", "song.mid.partial"}));
}

// What can't be created names what stands in the way (a missing folder's message is checked
// end to end); a write that fails half-way keeps the old file and says why.
TEST(SafeFile, FailuresSayWhyAndLeaveTheOldFile) {
    TempDir dir;
    writeAll(dir.file("plain"), {1});
    fs::create_directory(dir.file("folder"));
    writeAll(dir.file("song.mid"), {'o', 'l', 'd'});
    EXPECT_EQ(save(dir.file("plain/song.mid"), {1}).reason(), dir.file("plain") + " is not a folder");
    const FileResult folder = save(dir.file("folder"), {1});
    EXPECT_EQ(folder.outcome, FileOutcome::CantCreate);
    EXPECT_EQ(folder.systemError, EISDIR);
    withFileSizeLimit(100, [&] {
        const FileResult cut = save(dir.file("song.mid"), Bytes(1000, 9));
        EXPECT_EQ(cut.outcome, FileOutcome::CantWrite);
        EXPECT_EQ(cut.reason(), "File too large");
    });
    EXPECT_EQ(readAll(dir.file("song.mid")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), (Texts{"folder", "plain", "song.mid"}));
}

// A set of files put in place together: synced, each stays out of sight until its commit, and
// one discarded after its sync leaves the old file and no temporary.
TEST(SafeFile, SyncedFilesWaitForTheirCommit) {
    TempDir dir;
    writeAll(dir.file("b.wav"), {'o', 'l', 'd'});
    SafeFile a, b;
    ASSERT_TRUE(a.open(dir.file("a.wav")).ok());
    ASSERT_TRUE(b.open(dir.file("b.wav")).ok());
    EXPECT_TRUE(a.write(Bytes{1, 2}).ok());
    EXPECT_TRUE(b.write(Bytes{3}).ok());
    EXPECT_TRUE(a.sync().ok());
    EXPECT_TRUE(b.sync().ok());
    EXPECT_EQ(dir.entries().size(), 3u);  // b.wav and the two temporaries
    EXPECT_FALSE(fs::exists(dir.file("a.wav")));
    EXPECT_TRUE(a.commit().ok());
    b.discard();
    EXPECT_EQ(readAll(dir.file("a.wav")), (Bytes{1, 2}));
    EXPECT_EQ(readAll(dir.file("b.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), (Texts{"a.wav", "b.wav"}));
}

// A named pipe, a device and a descriptor of the process get the content itself and stay what
// they are; what a library fills by name for them is made in the temporary folder and copied
// across on commit.
TEST(SafeFile, WritesPipesDevicesAndDescriptorsDirectly) {
    TempDir dir, temporaries;
    ScopedEnv tmpdir("TMPDIR", temporaries.file("").c_str());
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::optional<Bytes> received;
    std::thread reader([&] { received = readFifo(dir.file("pipe"), std::chrono::seconds(10)); });
    EXPECT_TRUE(save(dir.file("pipe"), {1, 2, 3}).ok());
    reader.join();
    EXPECT_EQ(received, (Bytes{1, 2, 3}));
    EXPECT_TRUE(S_ISFIFO(modeOf(dir.file("pipe"))));

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    SafeFile byName;
    ASSERT_TRUE(byName.open("/dev/fd/" + std::to_string(ends[1])).ok());
    EXPECT_TRUE(byName.direct());
    std::string path;
    ASSERT_TRUE(byName.fillPath(path).ok());
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(temporaries.file("")).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "wave";
    EXPECT_TRUE(temporaries.entries().size() == 1u);
    EXPECT_TRUE(byName.commit().ok());
    ::close(ends[1]);
    char text[8] = {};
    EXPECT_EQ(::read(ends[0], text, sizeof text), 4);
    ::close(ends[0]);
    EXPECT_EQ(std::string(text), "wave");
    EXPECT_TRUE(temporaries.entries().empty());

    // Root may make a device node of its own: /dev/null's numbers, in the scratch folder.
    if (::geteuid() == 0 &&
        ::mknod(dir.file("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        EXPECT_TRUE(save(dir.file("null"), Bytes(100000, 1)).ok());
        EXPECT_TRUE(S_ISCHR(modeOf(dir.file("null"))));
    }
    EXPECT_LE(dir.entries().size(), 2u);  // "pipe" and perhaps "null": nothing beside them
}

// Root only: a small file system that fills up half-way through.
TEST(SafeFile, AFullFileSystemFailsWithTheReasonAndKeepsTheOldFile) {
    TempDir dir;
    const std::string small = dir.file("small");
    fs::create_directory(small);
    if (::geteuid() != 0 || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    writeAll(small + "/song.mid", {'o', 'l', 'd'});
    const FileResult full = save(small + "/song.mid", Bytes(256 * 1024, 7));
    EXPECT_EQ(full.outcome, FileOutcome::CantWrite);
    EXPECT_EQ(full.reason(), "No space left on device");
    EXPECT_EQ(readAll(small + "/song.mid"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(fs::directory_iterator(small)->path().filename(), "song.mid");
    EXPECT_EQ(std::distance(fs::directory_iterator(small), fs::directory_iterator()), 1);
    ::umount2(small.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace halcyone
