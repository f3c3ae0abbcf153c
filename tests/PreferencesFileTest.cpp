// savePreferences / loadPreferences through the desktop and control seams: dialogs, messages,
// what a load changes, and that a refused or failed file changes nothing.
#include <gtest/gtest.h>

#include <bit>

#include "FilesTestSupport.h"
#include "compose/AppState.h"
#include "files/Preferences.h"
#include "platform/MemoryControlPanel.h"

namespace halcyone {
namespace {

using testing::FileSizeLimit;
using testing::readAll;
using testing::TempDir;
using testing::writeAll;
using Bytes = std::vector<std::uint8_t>;

class PreferencesFile : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        appState.startColour = defaultStartColour;
    }

    // Everything a load may touch, plus what it must not: the bar count of the last Compose,
    // the events, the colour indices and pools.
    std::string snapshot() {
        const PreferencesBytes saved = encodePreferences(capturePreferences());
        std::string s(saved.begin(), saved.end());
        s += std::to_string(appState.barCount) + "/" + std::to_string(appState.composed);
        for (const Channel& c : appState.channels)
            s += "/" + std::to_string(c.colourIndex) + "," + std::to_string(c.poolTop) + "," +
                 std::to_string(c.pool[0]) + "," + std::to_string(c.events[0].note);
        return s;
    }

    // Sets up something other than the start-up state in every saved field.
    void changeEverything() {
        sendToControl(ControlId::DifferentSet, ControlMessage::SetCheck, 1);
        sendToControl(ControlId::BarNumber, ControlMessage::SetPos, 321);
        sendToControl(ControlId::Tempo, ControlMessage::SetPos, 77);
        appState.startColour = makeColour(9, 8, 7);
        appState.sharedView = {-0.0, std::bit_cast<double>(0x7FF4000000000abcull), 0.25, 0.5};
        for (int k = 0; k < channelCount; ++k) {
            Channel& c = appState.channels[k];
            c.instrument = 20 + k;
            c.mode = 3 - k % 4;
            c.colour = makeColour(10 * k, 20, 30);
            c.paramEnabled = {1, 0, 1, 0, 1, k % 2};
            c.slideSpeed = {k, 100, 0, 50, 99, 1};
            c.allNotes = 1;
            c.cycleScale = k % 2;
            c.noteLength = 6 - k;
            c.lowNote = k;
            c.highNote = 90 + k;
            c.scaleIndex = 3 * k;
            c.view = {-1.5 - k, std::bit_cast<double>(0xFFF0000000000001ull), -0.0, 1e-310};
            c.keys.fill(0);
            for (int n = k; n < midiNoteCount; n += 5) c.keys[n] = 1;
        }
    }

    MemoryControlPanel panel;
    ScopedControlHost controls{panel};
    ScriptedDesktop desk;
    ScopedDesktop desktopScope{desk};
    TempDir dir;
};

TEST_F(PreferencesFile, SaveAndLoadRestoreEverySavedFieldBitForBit) {
    changeEverything();
    const std::string saved = snapshot();
    const std::string path = dir.file("setup.mpr");
    desk.fileAnswers.push_back(path);
    savePreferences();
    ASSERT_TRUE(desk.messages.empty());
    EXPECT_EQ(readAll(path).size(), preferencesSize);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"setup.mpr"});

    resetAppState();
    MemoryControlPanel fresh;
    ScopedControlHost freshControls(fresh);
    desk.fileAnswers.push_back(path);
    EXPECT_TRUE(loadPreferences());
    EXPECT_TRUE(desk.messages.empty());
    EXPECT_EQ(fresh.control(ControlId::DifferentSet).check, 1);
    EXPECT_EQ(fresh.control(ControlId::BarNumber).pos, 321);
    EXPECT_EQ(fresh.control(ControlId::Tempo).pos, 77);
    // The snapshot holds the doubles as bytes, so NaN payloads and -0.0 are compared exactly.
    EXPECT_EQ(snapshot().substr(0, preferencesSize), saved.substr(0, preferencesSize));
    for (const FileDialogSpec& shown : desk.dialogsShown) {
        EXPECT_EQ(shown.description, "Midi (*.mpr)");
        EXPECT_EQ(shown.pattern, "*.mpr");
        EXPECT_EQ(shown.defaultExtension, "mpr");
    }
}

TEST_F(PreferencesFile, LoadLeavesTheCompositionAlone) {
    desk.fileAnswers.push_back(dir.file("plain.mpr"));
    savePreferences();
    appState.barCount = 7;
    appState.composed = 1;
    appState.channels[1].events[0].note = 61;
    appState.channels[1].colourIndex = 4;
    appState.channels[1].pool[0] = 50;
    appState.channels[1].poolTop = 3;
    appState.channels[1].instrument = 9;  // the file switches it off again
    desk.fileAnswers.push_back(dir.file("plain.mpr"));
    EXPECT_TRUE(loadPreferences());
    EXPECT_EQ(appState.channels[1].instrument, 0);
    EXPECT_EQ(appState.barCount, 7);
    EXPECT_EQ(appState.channels[1].events[0].note, 61);
    EXPECT_EQ(appState.channels[1].colourIndex, 4);
    EXPECT_EQ(appState.channels[1].pool[0], 50);
    EXPECT_EQ(appState.channels[1].poolTop, 3);
}

TEST_F(PreferencesFile, CancelDoesNothingAndSaysNothing) {
    savePreferences();
    EXPECT_FALSE(loadPreferences());
    EXPECT_EQ(desk.dialogsShown.size(), 2u);
    EXPECT_TRUE(desk.messages.empty());
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(PreferencesFile, SaveReportsCantCreateAndAFailedWriteKeepsTheOldFile) {
    desk.fileAnswers.push_back(dir.file("missing/setup.mpr"));
    savePreferences();
    const std::string path = dir.file("setup.mpr");
    const Bytes old(370, 0x5A);
    writeAll(path, old);
    desk.fileAnswers.push_back(path);
    {
        FileSizeLimit limit(100);
        savePreferences();
    }
    ASSERT_EQ(desk.messages.size(), 2u);
    EXPECT_EQ(desk.messages[0].text, "Can't create");
    EXPECT_EQ(desk.messages[1].text, "Can't write");
    for (const auto& m : desk.messages) EXPECT_EQ(m.caption, "Error");
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"setup.mpr"});
}

TEST_F(PreferencesFile, LoadReportsCantOpenAndCantReadAndChangesNothing) {
    changeEverything();
    const std::string before = snapshot();
    std::filesystem::create_directory(dir.file("folder.mpr"));
    desk.fileAnswers.push_back(dir.file("none.mpr"));
    desk.fileAnswers.push_back(dir.file("folder.mpr"));
    EXPECT_FALSE(loadPreferences());
    EXPECT_FALSE(loadPreferences());
    ASSERT_EQ(desk.messages.size(), 2u);
    EXPECT_EQ(desk.messages[0].text, "Can't open");
    EXPECT_EQ(desk.messages[1].text, "Can't read");
    for (const auto& m : desk.messages) EXPECT_EQ(m.caption, "Error");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(PreferencesFile, RefusedFilesChangeNothingAndSayWhy) {
    const PreferencesBytes valid = encodePreferences(capturePreferences());  // start-up set-up
    changeEverything();
    const std::string before = snapshot();
    const int setPos = panel.count(ControlId::BarNumber, ControlMessage::SetPos) +
                       panel.count(ControlId::Tempo, ControlMessage::SetPos);
    const int setCheck = panel.count(ControlId::DifferentSet, ControlMessage::SetCheck);

    const auto withByte = [&](std::size_t at, std::uint8_t value) {
        Bytes b(valid.begin(), valid.end());
        b[at] = value;
        return b;
    };
    const std::vector<std::pair<Bytes, std::string>> files = {
        {Bytes(valid.begin(), valid.begin() + 369), "369 bytes long, 370 expected"},
        {Bytes{}, "0 bytes long, 370 expected"},
        {withByte(4, 0), "tempo is 0, not in 30..300"},
        {withByte(2, 0), "bar count is 0, not in 1..999"},
        {withByte(40 + 66 * 4 + 3, 200), "channel 5 instrument is 200, not in 0..127"},
        {withByte(40 + 66 * 1 + 15, 80), "channel 2 low note 80 is above high note 71"},
    };
    for (const auto& [bytes, problem] : files) {
        SCOPED_TRACE(problem);
        desk.messages.clear();
        writeAll(dir.file("bad.mpr"), bytes);
        desk.fileAnswers.push_back(dir.file("bad.mpr"));
        EXPECT_FALSE(loadPreferences());
        ASSERT_EQ(desk.messages.size(), 1u);
        EXPECT_EQ(desk.messages[0].text, "Bad preferences file: " + problem);
        EXPECT_EQ(desk.messages[0].caption, "Error");
        EXPECT_EQ(snapshot(), before);
    }
    EXPECT_EQ(panel.count(ControlId::BarNumber, ControlMessage::SetPos) +
                  panel.count(ControlId::Tempo, ControlMessage::SetPos),
              setPos);
    EXPECT_EQ(panel.count(ControlId::DifferentSet, ControlMessage::SetCheck), setCheck);
}

}  // namespace
}  // namespace halcyone
