// The MIDI file: its bytes, built from small compositions and compared with literals; then
// "Save midi file..." and Play's file, and a saved file as midicsv reads it.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "FilesTestSupport.h"
#include "compose/AppState.h"
#include "files/FileNames.h"
#include "files/MidiBytes.h"
#include "files/MidiTracks.h"
#include "files/MidiWriter.h"

namespace halcyone {
namespace {

using namespace testing;

// Five channels, all off unless a test switches one on.
struct Composition {
    std::array<std::vector<NoteEvent>, channelCount> events;
    std::array<std::int32_t, channelCount> instruments{};

    MidiTracks tracks() const {
        MidiTracks t;
        for (int i = 0; i < channelCount; ++i) t[i] = ChannelTrack{instruments[i], events[i]};
        return t;
    }
    Bytes bytes(int bars = 1, int tempo = 120) const {
        return midiFileBytes(tracks(), bars, tempo);
    }
};

NoteEvent note(int n, int bar, int step, int velocity = 127) {
    return NoteEvent{n, 0, step, bar, velocity, 0, 0, 0, 0, 0};
}

const Bytes marker = {0x0C, 0x96, 0x46, 0};  // ends each step: 12 ticks on, a silent note
constexpr std::size_t firstEvent = 43;        // after the header and the three meta events

Bytes slice(const Bytes& b, std::size_t from, std::size_t count) {
    return Bytes(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(from + count));
}

TEST(MidiBytes, HeaderMetaEventsTempoStepMarkersAndEnd) {
    const Bytes fileStart = {
        0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 0, 0, 1, 0, 0xC0,  // MThd, format 0, 192 ticks
        0x4D, 0x54, 0x72, 0x6B, 0, 0, 0x01, 0x19,                 // MTrk of 281 bytes
        0, 0xFF, 0x58, 4, 4, 2, 0x18, 8,                          // time signature
        0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20,                       // tempo 120
        0, 0xFF, 0x59, 2, 0, 0,                                   // key signature
    };
    const Composition none;
    ASSERT_EQ(none.bytes().size(), 303u);
    EXPECT_EQ(slice(none.bytes(), 0, firstEvent), fileStart);
    const Bytes b = none.bytes(3);
    ASSERT_EQ(b.size(), 47u + 256u * 3);
    EXPECT_EQ(slice(b, 18, 4), (Bytes{0, 0, 0x03, 0x19}));
    for (int s = 0; s < 64 * 3; ++s) ASSERT_EQ(slice(b, firstEvent + 4 * s, 4), marker) << s;
    EXPECT_EQ(slice(b, b.size() - 4, 4), (Bytes{0, 0xFF, 0x2F, 0}));
    // Microseconds per quarter note, the remainder dropped.
    const std::pair<int, Bytes> tempos[] = {
        {30, {0x1E, 0x84, 0x80}}, {300, {0x03, 0x0D, 0x40}}, {70, {0x0D, 0x14, 0x36}}};
    for (const auto& [tempo, expected] : tempos)
        EXPECT_EQ(slice(none.bytes(1, tempo), 34, 3), expected) << tempo;
}

TEST(MidiBytes, RefusesBadArgumentsAndTheLargestCompositionFitsItsBuffer) {
    Composition c;
    for (const auto& [bars, tempo] : {std::pair{0, 120}, {1000, 120}, {1, 29}, {1, 301}, {1, 0}})
        EXPECT_TRUE(c.bytes(bars, tempo).empty()) << bars << " bars at " << tempo;
    Bytes buffer(midiBufferSize(2) - 1);
    EXPECT_EQ(writeMidiBytes(c.tracks(), 2, 120, buffer), 0u);

    // 999 bars, every field of every entry set up to the walk limit: per channel a program,
    // 63,936 events of 24 bytes, a note-off before all but the first, the last note's end.
    for (int i = 0; i < channelCount; ++i) {
        c.instruments[i] = 1 + i;
        for (int k = 0; k < 64 * 999 + 10; ++k)
            c.events[i].push_back(NoteEvent{60, 1, k % 64, k / 64, 127, 1, 1, 1, 1, 1});
    }
    buffer.resize(midiBufferSize(999));
    EXPECT_EQ(writeMidiBytes(c.tracks(), 999, 120, buffer),
              47u + 256 * 999 + 5 * (3 + 63936 * 24 + 63935 * 4 + 4));
}

// Only entries inside the written bars, up to the first note 0 and at most 64 x bars + 10 of
// them (74 for one bar), are written.
TEST(MidiBytes, OnlyEntriesInsideTheWrittenBarsAndTheWalkLimitAreWritten) {
    Composition c, expected;
    c.instruments[0] = expected.instruments[0] = 1;
    c.events[0] = {note(60, 0, 0), note(61, 2, 0), note(62, 0, 64), note(63, -1, 3),
                   note(64, 0, -1), note(65, 1, 63)};
    expected.events[0] = {note(60, 0, 0), note(65, 1, 63)};
    EXPECT_EQ(c.bytes(2), expected.bytes(2));
    c.events[0] = {note(60, 0, 0), note(0, 0, 1), note(62, 0, 2)};
    expected.events[0] = {note(60, 0, 0)};
    EXPECT_EQ(c.bytes(), expected.bytes());
    c.events[0].assign(73, note(60, 1, 0));  // all in bar 1: walked, never written
    c.events[0].push_back(note(61, 0, 5));   // entry 74: the last one walked
    expected.events[0] = {note(61, 0, 5)};
    EXPECT_EQ(c.bytes(), expected.bytes());
    c.events[0].insert(c.events[0].begin(), note(60, 1, 0));  // now entry 75: past the limit
    expected.events[0].clear();
    EXPECT_EQ(c.bytes(), expected.bytes());
}

// Lists in step order (as Compose writes them) are walked once; any other list goes through
// the index. Either way the bytes are the reference walk's.
TEST(MidiBytes, ListsInAndOutOfStepOrderGiveTheReferenceBytes) {
    Composition c;
    c.instruments = {1, 0, 30, 128, 5};
    for (int k = 0; k < 200; ++k) {
        // Several entries in one slot, entries outside the bars between them, gaps.
        c.events[0].push_back(note(60 + k % 7, k / 64, k % 64));
        if (k % 3 == 0) c.events[0].push_back(note(50, k / 64, k % 64, 90));
        if (k % 17 == 0) c.events[0].push_back(note(40, 9, k % 64));
        c.events[2].push_back(note(70, k / 20, 3 * (k % 20)));
        c.events[4].push_back(note(80, k / 64, k % 64));  // past the walk limit of 2 bars
    }
    c.events[3] = {note(61, 0, 5), note(62, 0, 5), note(0, 0, 6), note(63, 0, 7)};
    const auto reference = [&](int bars) {
        return midiFileBytes(c.tracks(), bars, 120, EventMatching::PlainWalk);
    };
    for (int bars : {1, 2, 4}) EXPECT_EQ(c.bytes(bars), reference(bars)) << bars << " bars";
    std::swap(c.events[2][10], c.events[2][11]);  // one channel out of order
    EXPECT_EQ(c.bytes(4), reference(4));
    c.events[2].insert(c.events[2].begin() + 5, note(0, 0, 0));  // ends before the swap
    EXPECT_EQ(c.bytes(4), reference(4));
}

// Two bars, composed. Channel 1: a note listed first but played last, then two notes of one
// step; channel 2 switched off; channel 3 at the step of channel 1's last note; channel 5 with
// every value out of range (-3: sent, as 0).
class MidiWriterFile : public CommandTest {
protected:
    void SetUp() override {
        resetAppState();
        playbackMidiPath.clear();
        auto& [one, two, three, four, five] = appState.channels;
        one.instrument = 1;
        one.events[0] = NoteEvent{67, 48, 16, 1, 90, 0, 70, 0, 20, 9};
        one.events[1] = NoteEvent{64, 8, 8, 0, 100, 3, 0, 56, 0, 0};
        one.events[2] = NoteEvent{50, 8, 8, 0, 80, 0, 0, 0, 0, 0};
        two.events[0] = NoteEvent{60, 8, 0, 0, 100, 0, 0, 0, 0, 0};
        three.instrument = 74;
        three.events[0] = NoteEvent{72, 64, 16, 1, 127, 0, 0, 0, 0, 0};
        five.instrument = 128;
        five.events[0] = NoteEvent{200, 0, 0, 0, 255, 255, 130, 56, 42, -3};
        appState.barCount = 2;
        appState.composed = 1;
    }
    Bytes expectedBytes() const {
        return midiFileBytes(tracksOf(appState.channels), 2, panel.control(ControlId::Tempo).pos);
    }
};

TEST_F(MidiWriterFile, SavesTheCompositionAtTheTempoOfTheControlAsMidicsvReadsIt) {
    appState.composed = 0;  // nothing to write before the first Compose
    EXPECT_EQ(saveMidiFile().outcome, FileOutcome::Skipped);
    EXPECT_EQ(writePlaybackMidiFile().outcome, FileOutcome::Skipped);
    EXPECT_TRUE(desk.dialogsShown.empty());
    appState.composed = 1;
    sendToControl(ControlId::Tempo, ControlMessage::SetPos, 70);  // changed after Compose
    writeAll(dir.file("song.mid"), Bytes(5000, 0xAB));
    desk.fileAnswers.push_back(dir.file("song.mid"));
    EXPECT_TRUE(saveMidiFile().ok());
    ASSERT_EQ(desk.dialogsShown.size(), 1u);
    const FileDialogSpec& shown = desk.dialogsShown[0];
    EXPECT_EQ(shown.description + " " + shown.pattern + " " + shown.defaultExtension,
              "Midi (*.mid) *.mid mid");
    EXPECT_EQ(readAll(dir.file("song.mid")), expectedBytes());
    EXPECT_EQ(dir.entries(), Texts{"song.mid"});
    EXPECT_TRUE(playbackMidiPath.empty());  // only Play sets it

    // Another reader of the format: every record but the 128 step markers, in file order. The
    // programs of the channels that are on come first; then each step's notes in time order,
    // channel by channel and in list order within a channel, each note's controllers, bend and
    // key pressure around its note-on, after the note-off of the channel's note before; data
    // values brought to the nearest end of 0..127.
    std::istringstream csv(commandOutput("midicsv '" + dir.file("song.mid") + "'"));
    Texts records;
    int markers = 0;
    for (std::string line; std::getline(csv, line);)
        line.ends_with(", Note_on_c, 6, 70, 0") ? void(++markers) : records.push_back(line);
    EXPECT_EQ(markers, 128);
    EXPECT_EQ(records, (Texts{"0, 0, Header, 0, 1, 192", "1, 0, Start_track",
                              "1, 0, Time_signature, 4, 2, 24, 8", "1, 0, Tempo, 857142",
                              "1, 0, Key_signature, 0, \"major\"", "1, 0, Program_c, 0, 0",
                              "1, 0, Program_c, 2, 73", "1, 0, Program_c, 4, 127",
                              "1, 0, Control_c, 4, 1, 127", "1, 0, Control_c, 4, 10, 56",
                              "1, 0, Control_c, 4, 11, 42", "1, 0, Pitch_bend_c, 4, 16256",
                              "1, 0, Note_on_c, 4, 127, 127", "1, 0, Poly_aftertouch_c, 4, 127, 0",
                              "1, 96, Control_c, 0, 1, 3", "1, 96, Control_c, 0, 10, 56",
                              "1, 96, Note_on_c, 0, 64, 100", "1, 96, Note_off_c, 0, 64, 0",
                              "1, 96, Note_on_c, 0, 50, 80", "1, 960, Note_off_c, 0, 50, 0",
                              "1, 960, Control_c, 0, 11, 20", "1, 960, Pitch_bend_c, 0, 8960",
                              "1, 960, Note_on_c, 0, 67, 90", "1, 960, Poly_aftertouch_c, 0, 67, 9",
                              "1, 960, Note_on_c, 2, 72, 127", "1, 1536, Note_on_c, 0, 67, 0",
                              "1, 1536, Note_on_c, 2, 72, 0", "1, 1536, Note_on_c, 4, 127, 0",
                              "1, 1536, End_track", "0, 0, End_of_file"}));
}

// The core the command-line tool calls gives its result without a dialog; the command gives
// the window's message for it, and a failure (a missing folder, a write cut short) leaves the
// old file as it was and no temporary behind; cancel has nothing to tell.
TEST_F(MidiWriterFile, FailuresAreReportedAndNeverDamageWhatWasThere) {
    writeAll(dir.file("song.mid"), {'o', 'l', 'd'});
    EXPECT_EQ(writeMidiFileTo(dir.file("none/song.mid")).outcome, FileOutcome::CantCreate);
    appState.composed = 0;
    const FileResult early = writeMidiFileTo(dir.file("early.mid"));
    EXPECT_EQ(early.outcome, FileOutcome::Refused);
    EXPECT_EQ(windowMessage(early), nothingComposedText);
    EXPECT_TRUE(desk.dialogsShown.empty());

    appState.composed = 1;
    for (const char* name : {"missing/song.mid", "song.mid"})
        desk.fileAnswers.push_back(dir.file(name));
    std::vector<FileResult> saved;
    const auto save = [&saved] { saved.push_back(saveMidiFile()); };
    save();
    withFileSizeLimit(100, save);  // the file needs far more
    save();                        // cancelled
    EXPECT_EQ(desk.dialogsShown.size(), 3u);
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(windowMessage(saved[0]) + ", " + windowMessage(saved[1]), "Can't create, Can't write");
    EXPECT_FALSE(saved[2].failed());
    EXPECT_EQ(readAll(dir.file("song.mid")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), Texts{"song.mid"});
}

// "Export MIDI tracks...": "Compose first" without a dialog before the first Compose; then the
// dialog of "Save midi file..." and the one-track file split into tracks, at the tempo of the
// control, through the safe writer; cancel says nothing.
TEST_F(MidiWriterFile, ExportsTheTracksOfTheCompositionOrAsksForACompose) {
    appState.composed = 0;
    EXPECT_EQ(windowMessage(saveMidiTracks()), "Compose first");
    EXPECT_EQ(windowMessage(writeMidiTracksTo(dir.file("early.mid"))), "Compose first");
    EXPECT_TRUE(desk.dialogsShown.empty());

    appState.composed = 1;
    writeAll(dir.file("tracks.mid"), {'o', 'l', 'd'});
    for (const char* name : {"none/tracks.mid", "tracks.mid"})
        desk.fileAnswers.push_back(dir.file(name));
    EXPECT_EQ(windowMessage(saveMidiTracks()), "Can't create");
    EXPECT_EQ(readAll(dir.file("tracks.mid")), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(saveMidiTracks().ok());
    EXPECT_FALSE(saveMidiTracks().failed());  // cancelled
    ASSERT_EQ(desk.dialogsShown.size(), 3u);
    EXPECT_EQ(desk.dialogsShown[1].pattern, midiFileDialog.pattern);
    EXPECT_EQ(readAll(dir.file("tracks.mid")), midiTrackFileBytes(expectedBytes()));
    EXPECT_EQ(dir.entries(), Texts{"tracks.mid"});
}

// Play writes beside the executable under its name; where that folder can't take the file (one
// that isn't there, as good as a read-only one for tests that may run as root), into the cache
// folder: $XDG_CACHE_HOME when it is an absolute path, else ~/.cache.
TEST_F(MidiWriterFile, PlayWritesBesideTheExecutableOrElseIntoTheCacheFolder) {
    std::filesystem::create_directory(dir.file("bin"));
    const std::string cache = dir.file("cache");
    const std::tuple<const char*, const char*, const char*> places[] = {
        {"bin/halcyone", nullptr, "bin/halcyone.mid"},
        {"bin/name.exe", nullptr, "bin/name.mid"},
        {"missing/bin/halcyone", cache.c_str(), "cache/halcyone/halcyone.mid"},
        {"missing/bin/halcyone", nullptr, "home/.cache/halcyone/halcyone.mid"},
        {"missing/bin/halcyone", "cache", "home/.cache/halcyone/halcyone.mid"}};  // not absolute
    for (const auto& [executable, cacheHome, expected] : places) {
        desk.executable = dir.file(executable);
        ScopedEnv cacheFolder("XDG_CACHE_HOME", cacheHome);
        ScopedEnv home("HOME", dir.file("home").c_str());
        EXPECT_TRUE(writePlaybackMidiFile().ok());
        EXPECT_EQ(playbackMidiPath, dir.file(expected));
        EXPECT_EQ(readAll(dir.file(expected)), expectedBytes());
    }
    EXPECT_TRUE(desk.dialogsShown.empty());

    writeAll(dir.file("plain-file"), {1});
    ScopedEnv blocked("XDG_CACHE_HOME", dir.file("plain-file/cache").c_str());
    EXPECT_EQ(windowMessage(writePlaybackMidiFile()), "Can't create");
    // Playback then fails to load the file named beside the executable, and says so.
    EXPECT_EQ(playbackMidiPath, dir.file("missing/bin/halcyone.mid"));
}

// An export keeps a name that says its format and adds the format's extension to any other.
TEST(ExportNames, KeepTheFormatsOwnExtensionAndAppendItToAnyOther) {
    EXPECT_EQ(withExtension("/m/piece.mid", "mid", {"mid", "midi"}), "/m/piece.mid");
    EXPECT_EQ(withExtension("/m/piece.MIDI", "mid", {"mid", "midi"}), "/m/piece.MIDI");
    EXPECT_EQ(withExtension("/m/set-up.mpr", "mid", {"mid", "midi"}), "/m/set-up.mpr.mid");
    EXPECT_EQ(withExtension("/m.d/piece", "mid", {"mid", "midi"}), "/m.d/piece.mid");
    EXPECT_EQ(withExtension("/m/.mid", "mid", {"mid"}), "/m/.mid.mid");  // a hidden name, no extension
}

}  // namespace
}  // namespace halcyone
