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

TEST_F(MidiWriterFile, DoesNothingBeforeTheFirstCompose) {
    appState.composed = 0;
    desk.fileAnswers.push_back(dir.file("a.mid"));
    writeMidiFile(false);
    writeMidiFile(true);
    EXPECT_TRUE(desk.dialogsShown.empty());
    EXPECT_TRUE(desk.messages.empty());
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_TRUE(playbackMidiPath.empty());
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

TEST_F(MidiWriterFile, CancelWritesNothingAndSaysNothing) {
    writeMidiFile(false);
    EXPECT_EQ(desk.dialogsShown.size(), 1u);
    EXPECT_TRUE(desk.messages.empty());
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(MidiWriterFile, ReportsCantCreateForAMissingFolderOrAFolderInTheWay) {
    desk.fileAnswers.push_back(dir.file("missing/song.mid"));
    std::filesystem::create_directory(dir.file("taken.mid"));
    desk.fileAnswers.push_back(dir.file("taken.mid"));
    writeMidiFile(false);
    writeMidiFile(false);
    ASSERT_EQ(desk.messages.size(), 2u);
    for (const auto& m : desk.messages) {
        EXPECT_EQ(m.text, "Can't create");
        EXPECT_EQ(m.caption, "Error");
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"taken.mid"});
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.mid")));
}

TEST_F(MidiWriterFile, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string path = dir.file("song.mid");
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    writeAll(path, old);
    desk.fileAnswers.push_back(path);
    {
        FileSizeLimit limit(100);  // the new file needs far more
        writeMidiFile(false);
    }
    ASSERT_EQ(desk.messages.size(), 1u);
    EXPECT_EQ(desk.messages[0].text, "Can't write");
    EXPECT_EQ(desk.messages[0].caption, "Error");
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.mid"});
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

TEST_F(MidiWriterFile, PlayFallsBackToTheCacheFolderWhenTheExecutablesFolderCantTakeTheFile) {
    desk.executable = dir.file("read-only/bin/halcyone");  // a folder that isn't there
    {
        ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache").c_str());
        writeMidiFile(true);
        EXPECT_EQ(playbackMidiPath, dir.file("cache/halcyone/halcyone.mid"));
    }
    {
        ScopedEnv noCache("XDG_CACHE_HOME", nullptr);
        ScopedEnv home("HOME", dir.file("home").c_str());
        writeMidiFile(true);
        EXPECT_EQ(playbackMidiPath, dir.file("home/.cache/halcyone/halcyone.mid"));
    }
    EXPECT_TRUE(desk.messages.empty());
    EXPECT_EQ(readAll(dir.file("cache/halcyone/halcyone.mid")), expectedBytes());
    EXPECT_EQ(readAll(playbackMidiPath), expectedBytes());
}

TEST_F(MidiWriterFile, PlayReportsCantCreateWhenNeitherFolderCanTakeTheFile) {
    desk.executable = dir.file("missing/halcyone");
    writeAll(dir.file("plain-file"), {1});
    ScopedEnv cache("XDG_CACHE_HOME", dir.file("plain-file/cache").c_str());
    writeMidiFile(true);
    ASSERT_EQ(desk.messages.size(), 1u);
    EXPECT_EQ(desk.messages[0].text, "Can't create");
    // Playback then fails to load the file named beside the executable, and says so.
    EXPECT_EQ(playbackMidiPath, dir.file("missing/halcyone.mid"));

    desk.executable.clear();  // no executable path: the last path is kept
    writeMidiFile(true);
    EXPECT_EQ(playbackMidiPath, dir.file("missing/halcyone.mid"));
    EXPECT_EQ(desk.messages.size(), 2u);
}

TEST_F(MidiWriterFile, MaximumCompositionFitsTheBufferAndEveryChannelIsWritten) {
    appState.barCount = 999;
    for (int i = 0; i < channelCount; ++i) {
        Channel& c = appState.channels[i];
        c.instrument = 1 + i;
        for (int k = 0; k < 64 * 999 + 10; ++k)
            c.events[k] = NoteEvent{40 + k % 50, 1, k % 64, k / 64, 127, 1 + k % 100, 1 + k % 120,
                                    1 + k % 127, 1 + k % 90, 1 + k % 110};
    }
    desk.fileAnswers.push_back(dir.file("full.mid"));
    writeMidiFile(false);
    EXPECT_TRUE(desk.messages.empty());
    const auto bytes = readAll(dir.file("full.mid"));
    EXPECT_EQ(bytes, expectedBytes());
    EXPECT_LT(bytes.size(), midiBufferSize(999));
    testing::expectMidicsvAgrees(dir.file("full.mid"), tracksOf(appState.channels), 999, 120);
}

}  // namespace
}  // namespace halcyone
