// The 370-byte preferences layout (exact bytes, packed fields, refusals) and savePreferences /
// loadPreferences through the desktop and control seams: dialogs, the window's messages for
// their results, what a load changes, and that a refused or failed file changes nothing.
#include <gtest/gtest.h>

#include <bit>

#include "FilesTestSupport.h"
#include "compose/AppState.h"
#include "files/Preferences.h"
#include "files/PreferencesCodec.h"

namespace halcyone {
namespace {

using namespace testing;

constexpr std::size_t blockAt(int k) { return 40 + 66 * static_cast<std::size_t>(k); }

Bytes slice(const PreferencesBytes& b, std::size_t from, std::size_t count) {
    return Bytes(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(from + count));
}

// Something other than the start-up set-up in every field: NaN payloads, -0.0 and a subnormal
// among the doubles, and flags packed beside a zero.
Preferences everythingChanged() {
    Preferences p{.differentSet = 1, .barNumber = 321, .tempo = 77,
                  .startColour = makeColour(9, 8, 7),
                  .sharedView = {-0.0, std::bit_cast<double>(0x7FF4000000000abcull), 0.25, 0.5},
                  .channels = {}};
    for (int k = 0; k < channelCount; ++k) {
        const ViewRect view{-1.5 - k, std::bit_cast<double>(0xFFF0000000000001ull), -0.0, 1e-310};
        p.channels[k] = {.instrument = 20 + k, .mode = 3 - k % 4,
                         .colour = makeColour(10 * k, 20, 30),
                         .paramEnabled = {1, 0, 1, 0, 1, k % 2},
                         .slideSpeed = {k, 100, 0, 50, 99, 1},
                         .allNotes = k != 1, .cycleScale = k % 2, .noteLength = k < 2 ? 0 : 6 - k,
                         .lowNote = k, .highNote = 90 + k, .scaleIndex = 3 * k, .view = view};
        for (int n = k; n < midiNoteCount; n += 5) p.channels[k].keys[n] = 1;
    }
    return p;
}

class PreferencesFile : public CommandTest {
protected:
    void SetUp() override {
        resetAppState();
        appState.startColour = defaultStartColour;
    }

    // The set-up as saved bytes, so that doubles compare bit for bit.
    static PreferencesBytes snapshot() { return encodePreferences(capturePreferences()); }
    FileResult loadFrom(const std::string& path) {
        desk.fileAnswers.push_back(path);
        return loadPreferences();
    }
};

TEST_F(PreferencesFile, TheStartUpSetupAndPackedFieldsGiveTheDocumentedBytes) {
    // -2, 1, -1, 1 as little-endian doubles.
    const Bytes defaultView = {0, 0, 0, 0, 0, 0, 0,    0xC0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,
                               0, 0, 0, 0, 0, 0, 0xF0, 0xBF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    const PreferencesBytes b = snapshot();
    EXPECT_EQ(slice(b, 0, 8), (Bytes{0, 0, 5, 0, 0x78, 0x32, 0x64, 0xC8}));
    EXPECT_EQ(slice(b, 8, 32), defaultView);
    for (int k = 0; k < channelCount; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(slice(b, blockAt(k), 18), (Bytes{0x0D, 0x0A, std::uint8_t('1' + k), 0, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 3, 0x30, 0x47, 0}));
        EXPECT_EQ(slice(b, blockAt(k) + 18, 32), defaultView);
        EXPECT_EQ(slice(b, blockAt(k) + 50, 16), Bytes(16, 0));
    }

    // Packed: a parameter's enabled flag as 120 plus its slide speed; all notes as 80, cycle
    // scale as 20 plus the note length; eight keys a byte, the lowest in the top bit.
    Preferences p = capturePreferences();
    ChannelPreferences& c = p.channels[3];
    c = {.colour = makeColour(1, 2, 3), .paramEnabled = {1, 1, 0, 0, 0, 0},
         .slideSpeed = {100, 0, 100, 7, 0, 0}, .allNotes = 1, .cycleScale = 1, .noteLength = 6,
         .view = {}};
    c.keys[0] = c.keys[60] = c.keys[127] = 1;
    Bytes keys(16, 0);
    keys[0] = 0x80;
    keys[7] = 0x08;  // 60 = 8 x 7 + 4
    keys[15] = 0x01;
    const PreferencesBytes packed = encodePreferences(p);
    EXPECT_EQ(slice(packed, blockAt(3) + 5, 10), (Bytes{3, 2, 1, 0xDC, 0x78, 0x64, 7, 0, 0, 0x6A}));
    EXPECT_EQ(slice(packed, blockAt(3) + 50, 16), keys);
}

// One byte of the start-up file set to a value: accepted, or refused with the problem named.
// Loading a refused or short file changes nothing.
TEST_F(PreferencesFile, RefusesShortFilesAndEveryFieldOutsideItsRangeChangingNothing) {
    struct FieldCase {
        std::size_t offset;
        std::uint8_t value;
        const char* problem;  // nullptr: accepted
    };
    const FieldCase cases[] = {
        {2, 0, "bar count is 0, not in 1..999"},
        {1, 4, "bar count is 1029, not in 1..999"},
        {4, 29, "tempo is 29, not in 30..300"},
        {4, 30, nullptr},
        {3, 0xFF, "tempo is 65400, not in 30..300"},
        {blockAt(0) + 3, 127, nullptr},
        {blockAt(0) + 3, 128, "channel 1 instrument is 128, not in 0..127"},
        {blockAt(1) + 4, 3, nullptr},
        {blockAt(1) + 4, 4, "channel 2 mode is 4, not in 0..3"},
        {blockAt(2) + 8, 101, "channel 3 Pitch Wheel slide speed is 101, not in 0..100"},
        {blockAt(2) + 13, 220, nullptr},
        {blockAt(2) + 13, 221, "channel 3 Expression slide speed is 101, not in 0..100"},
        {blockAt(2) + 9, 119, "channel 3 Aftertouch slide speed is 119, not in 0..100"},
        {blockAt(3) + 14, 106, nullptr},
        {blockAt(3) + 14, 107, "channel 4 note length is 7, not in 0..6"},
        {blockAt(4) + 16, 95, nullptr},
        {blockAt(4) + 16, 96, "channel 5 high note is 96, not in 0..95"},
        {blockAt(4) + 15, 96, "channel 5 low note is 96, not in 0..95"},
        {blockAt(4) + 15, 71, nullptr},  // low = high
        {blockAt(4) + 15, 72, "channel 5 low note 72 is above high note 71"},
        {blockAt(4) + 17, 15, nullptr},
        {blockAt(4) + 17, 16, "channel 5 scale is 16, not in 0..15"},
    };
    const PreferencesBytes valid = snapshot();
    std::vector<std::pair<Bytes, std::string>> refused;
    for (std::size_t size : {0, 1, 369})
        refused.emplace_back(Bytes(valid.begin(), valid.begin() + std::ptrdiff_t(size)),
                             std::to_string(size) + " bytes long, 370 expected");
    for (const FieldCase& f : cases) {
        Bytes b(valid.begin(), valid.end());
        b[f.offset] = f.value;
        EXPECT_EQ(decodePreferences(b).problem,
                  f.problem ? "Bad preferences file: " + std::string(f.problem) : "")
            << "offset " << f.offset << " value " << int(f.value);
        if (f.problem) refused.emplace_back(b, f.problem);
    }

    applyPreferences(everythingChanged());
    const PreferencesBytes before = snapshot();
    const auto controlWrites = [this] {
        return panel.count(ControlId::BarNumber, ControlMessage::SetPos) +
               panel.count(ControlId::Tempo, ControlMessage::SetPos) +
               panel.count(ControlId::DifferentSet, ControlMessage::SetCheck);
    };
    const int writesBefore = controlWrites();
    for (const auto& [bytes, problem] : refused) {
        writeAll(dir.file("bad.mpr"), bytes);
        EXPECT_EQ(windowMessage(loadFrom(dir.file("bad.mpr"))), "Bad preferences file: " + problem);
        EXPECT_EQ(snapshot(), before) << problem;
    }
    EXPECT_EQ(controlWrites(), writesBefore);
}

// Saved, then loaded into a fresh window: every field comes back bit for bit, and the
// composition of the last Compose stays as it was. A load reads the first 370 bytes and
// passes over the block marks; any non-zero first byte means checked.
TEST_F(PreferencesFile, SaveAndLoadRestoreEverySavedFieldBitForBitAndLeaveTheComposition) {
    const Preferences changed = everythingChanged();
    applyPreferences(changed);
    desk.fileAnswers.push_back(dir.file("setup.mpr"));
    ASSERT_TRUE(savePreferences().ok());
    Bytes saved = readAll(dir.file("setup.mpr"));
    EXPECT_EQ(saved.size(), preferencesSize);
    EXPECT_EQ(dir.entries(), Texts{"setup.mpr"});
    saved.resize(preferencesReadLimit, 0xEE);
    for (int k = 0; k < channelCount; ++k) saved[blockAt(k)] = saved[blockAt(k) + 2] = 0xFF;
    saved[0] = 0x42;
    writeAll(dir.file("setup.mpr"), saved);

    resetAppState();
    appState.barCount = 7;
    appState.channels[1].events[0].note = 61;
    MemoryControlPanel fresh;
    ScopedControlHost freshControls(fresh);
    setUpControls();
    EXPECT_TRUE(loadFrom(dir.file("setup.mpr")).ok());
    EXPECT_EQ(snapshot(), encodePreferences(changed));
    EXPECT_EQ(appState.barCount, 7);
    EXPECT_EQ(appState.channels[1].events[0].note, 61);
    for (const FileDialogSpec& shown : desk.dialogsShown)
        EXPECT_EQ(shown.description + " " + shown.pattern + " " + shown.defaultExtension,
                  "Midi (*.mpr) *.mpr mpr");
}

// The cores the command-line tool calls give the outcome with the system's reason; the
// commands give the window's "Can't ..." and change nothing: the old file stays, no temporary
// is left and the set-up is as it was. Cancel does nothing and has nothing to tell.
TEST_F(PreferencesFile, FailuresAreReportedAndChangeNothing) {
    applyPreferences(everythingChanged());
    const PreferencesBytes before = snapshot();
    const FileResult missing = loadPreferencesFrom(dir.file("none.mpr"));
    EXPECT_EQ(missing.outcome, FileOutcome::CantOpen);
    EXPECT_EQ(missing.reason(), "No such file or directory");
    EXPECT_EQ(savePreferencesTo(dir.file("none/setup.mpr")).outcome, FileOutcome::CantCreate);
    EXPECT_EQ(savePreferences().outcome, FileOutcome::Skipped);
    EXPECT_EQ(loadPreferences().outcome, FileOutcome::Skipped);

    writeAll(dir.file("setup.mpr"), Bytes(370, 0x5A));
    std::filesystem::create_directory(dir.file("folder.mpr"));
    for (const char* name : {"missing/setup.mpr", "setup.mpr"})
        desk.fileAnswers.push_back(dir.file(name));
    Texts told;
    const auto save = [&told] { told.push_back(windowMessage(savePreferences())); };
    save();
    withFileSizeLimit(100, save);
    told.push_back(windowMessage(loadFrom(dir.file("none.mpr"))));
    told.push_back(windowMessage(loadFrom(dir.file("folder.mpr"))));
    EXPECT_EQ(told, (Texts{"Can't create", "Can't write", "Can't open", "Can't read"}));
    EXPECT_EQ(readAll(dir.file("setup.mpr")), Bytes(370, 0x5A));
    EXPECT_EQ(dir.entries(), (Texts{"folder.mpr", "setup.mpr"}));
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace halcyone
