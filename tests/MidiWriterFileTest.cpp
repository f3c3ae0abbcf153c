// The "Save midi file..." and Play paths of writeMidiFile: dialogs, messages, where the file
// goes, and that a failure never damages what was there.
#include <gtest/gtest.h>

#include <cstdlib>

#include "FilesTestSupport.h"
#include "compose/AppState.h"
#include "files/MidiBytes.h"
#include "files/MidiWriter.h"
#include "platform/MemoryControlPanel.h"

namespace halcyone {
namespace {

using testing::FileSizeLimit;
using testing::readAll;
using testing::TempDir;
using testing::writeAll;

// Sets an environment variable for the lifetime of the object (nullptr unsets it).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { previous_ ? ::setenv(name_, previous_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

class MidiWriterFile : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        playbackMidiPath.clear();
        Channel& piano = appState.channels[0];
        piano.instrument = 1;
        piano.events[0] = NoteEvent{60, 8, 0, 0, 127, 0, 0, 0, 0, 0};
        piano.events[1] = NoteEvent{64, 8, 8, 0, 100, 3, 0, 56, 0, 0};
        piano.events[2] = NoteEvent{67, 48, 16, 1, 90, 0, 70, 0, 20, 9};
        appState.channels[2].instrument = 74;
        appState.channels[2].events[0] = NoteEvent{72, 64, 0, 1, 127, 0, 0, 0, 0, 0};
        appState.barCount = 2;
        appState.composed = 1;
    }

    std::vector<std::uint8_t> expectedBytes() const {
        return midiFileBytes(tracksOf(appState.channels), appState.barCount,
                             panel.control(ControlId::Tempo).pos);
    }

    MemoryControlPanel panel;
    ScopedControlHost controls{panel};
    ScriptedDesktop desk;
    ScopedDesktop desktopScope{desk};
    TempDir dir;
};

TEST_F(MidiWriterFile, DoesNothingBeforeTheFirstComposeAndCancelEndsSilently) {
    appState.composed = 0;
    desk.fileAnswers.push_back(dir.file("a.mid"));
    writeMidiFile(false);
    writeMidiFile(true);
    EXPECT_TRUE(desk.dialogsShown.empty());
    EXPECT_TRUE(playbackMidiPath.empty());

    appState.composed = 1;
    desk.fileAnswers.clear();  // the user cancels
    writeMidiFile(false);
    EXPECT_EQ(desk.dialogsShown.size(), 1u);
    EXPECT_TRUE(desk.messages.empty());
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(MidiWriterFile, SavesTheCompositionWithTheTempoOfTheControlAndReplacesAnOldFile) {
    sendToControl(ControlId::Tempo, ControlMessage::SetPos, 70);  // changed after Compose
    const std::string path = dir.file("song.mid");
    writeAll(path, std::vector<std::uint8_t>(5000, 0xAB));
    desk.fileAnswers.push_back(path);
    writeMidiFile(false);
    ASSERT_EQ(desk.dialogsShown.size(), 1u);
    EXPECT_EQ(desk.dialogsShown[0].description, "Midi (*.mid)");
    EXPECT_EQ(desk.dialogsShown[0].pattern, "*.mid");
    EXPECT_EQ(desk.dialogsShown[0].defaultExtension, "mid");
    EXPECT_TRUE(desk.messages.empty());
    EXPECT_EQ(readAll(path), expectedBytes());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.mid"});
    testing::expectMidicsvAgrees(path, tracksOf(appState.channels), 2, 70);
    EXPECT_TRUE(playbackMidiPath.empty());  // only Play sets it
}

// A missing folder or a folder in the way can't be created; a write that fails half-way
// leaves the old file as it was and no temporary behind.
TEST_F(MidiWriterFile, FailuresAreReportedAndNeverDamageWhatWasThere) {
    std::filesystem::create_directory(dir.file("taken.mid"));
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    writeAll(dir.file("song.mid"), old);
    for (const char* name : {"missing/song.mid", "taken.mid", "song.mid"}) desk.fileAnswers.push_back(dir.file(name));
    writeMidiFile(false);
    writeMidiFile(false);
    {
        FileSizeLimit limit(100);  // the new file needs far more
        writeMidiFile(false);
    }
    ASSERT_EQ(desk.messages.size(), 3u);
    EXPECT_EQ(desk.messages[0].text, "Can't create");
    EXPECT_EQ(desk.messages[1].text, "Can't create");
    EXPECT_EQ(desk.messages[2].text, "Can't write");
    for (const auto& m : desk.messages) EXPECT_EQ(m.caption, "Error");
    EXPECT_EQ(readAll(dir.file("song.mid")), old);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.mid")));
    EXPECT_EQ(dir.entries().size(), 2u);
}

TEST_F(MidiWriterFile, PlayWritesBesideTheExecutableUnderItsName) {
    std::filesystem::create_directory(dir.file("bin"));
    for (const auto& [executable, expected] :
         {std::pair{dir.file("bin/halcyone"), dir.file("bin/halcyone.mid")},
          std::pair{dir.file("bin/name.exe"), dir.file("bin/name.mid")}}) {
        desk.executable = executable;
        writeMidiFile(true);
        EXPECT_EQ(playbackMidiPath, expected);
        EXPECT_EQ(readAll(expected), expectedBytes());
    }
    EXPECT_TRUE(desk.dialogsShown.empty());
    EXPECT_TRUE(desk.messages.empty());
    testing::expectMidicsvAgrees(playbackMidiPath, tracksOf(appState.channels), 2, 120);
}

// The executable's folder here is one that isn't there, as good as a read-only one (and tests
// may run as root, who can write anywhere).
TEST_F(MidiWriterFile, PlayFallsBackToTheCacheFolderAndReportsWhenThatFailsToo) {
    desk.executable = dir.file("missing/bin/halcyone");
    {
        ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache").c_str());
        writeMidiFile(true);
        EXPECT_EQ(playbackMidiPath, dir.file("cache/halcyone/halcyone.mid"));
        EXPECT_EQ(readAll(playbackMidiPath), expectedBytes());
    }
    {
        ScopedEnv noCache("XDG_CACHE_HOME", nullptr);
        ScopedEnv home("HOME", dir.file("home").c_str());
        writeMidiFile(true);
        EXPECT_EQ(playbackMidiPath, dir.file("home/.cache/halcyone/halcyone.mid"));
        EXPECT_EQ(readAll(playbackMidiPath), expectedBytes());
    }
    EXPECT_TRUE(desk.messages.empty());

    writeAll(dir.file("plain-file"), {1});
    ScopedEnv blocked("XDG_CACHE_HOME", dir.file("plain-file/cache").c_str());
    writeMidiFile(true);
    ASSERT_EQ(desk.messages.size(), 1u);
    EXPECT_EQ(desk.messages[0].text, "Can't create");
    // Playback then fails to load the file named beside the executable, and says so.
    EXPECT_EQ(playbackMidiPath, dir.file("missing/bin/halcyone.mid"));
}

}  // namespace
}  // namespace halcyone
