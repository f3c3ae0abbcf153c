// Helpers for the file tests: a scratch folder, whole-file reads, and MIDI files read back
// through midicsv.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "files/MidiBytes.h"

namespace halcyone::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "halcyone-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }
    // Names of everything in the folder, to catch left-over temporaries.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Files may grow to `limit` bytes while the object lives; a write past it fails with EFBIG
// (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = previous_;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// midicsv's reading of a file, filed by record type and channel (-1 for records that are not
// channel events). Each row is the tick and up to three numbers after the channel (or after
// the type, for the others); a quoted text reads as 0.
using CsvRow = std::array<long, 4>;
using MidiCsv = std::map<std::pair<std::string, long>, std::vector<CsvRow>>;

inline void fileCsvLine(std::string_view line, MidiCsv& csv) {
    std::array<long, 7> numbers{};
    std::string type;
    std::size_t column = 0;
    for (; !line.empty() && column < numbers.size(); ++column) {
        const std::size_t comma = line.find(',');
        std::string_view part = line.substr(0, comma);
        line = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        if (column == 2) type = part;
        std::from_chars(part.data(), part.data() + part.size(), numbers[column]);
    }
    if (column < 3) return;
    const bool channelEvent = type.ends_with("_c");
    const std::size_t first = channelEvent ? 4 : 3;
    csv[{type, channelEvent ? numbers[3] : -1}].push_back(
        {numbers[1], numbers[first], numbers[first + 1], numbers[first + 2]});
}

// A failed read is a test failure and gives nothing.
inline MidiCsv readWithMidicsv(const std::string& path) {
    MidiCsv csv;
    const std::string command = "midicsv '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run midicsv";
        return csv;
    }
    char line[512];
    std::string firstLines;
    while (std::fgets(line, sizeof line, pipe)) {
        if (firstLines.size() < 2000) firstLines += line;
        fileCsvLine(std::string_view(line, std::strcspn(line, "\n")), csv);
    }
    if (::pclose(pipe) != 0) {
        ADD_FAILURE() << "midicsv failed on " << path << ":\n" << firstLines;
        csv.clear();
    }
    return csv;
}

// Checks midicsv's reading of the MIDI file at `path` against the composition it was written
// from: header, tempo, programs, every channel's notes, controllers, bends and pressures at
// their ticks, the note-offs between notes, one marker per step and the end of the track.
// Expects data values in 0..127.
inline void expectMidicsvAgrees(const std::string& path, const MidiTracks& tracks, int barCount,
                                int tempo) {
    constexpr long ticksPerStep = 12;
    const long endTick = ticksPerStep * 64 * barCount;
    const MidiCsv csv = readWithMidicsv(path);
    ASSERT_FALSE(csv.empty());
    const auto rows = [&](const std::string& type, long channel) -> const std::vector<CsvRow>& {
        static const std::vector<CsvRow> none;
        const auto it = csv.find({type, channel});
        return it == csv.end() ? none : it->second;
    };
    using Rows = std::vector<CsvRow>;
    EXPECT_EQ(rows("Header", -1), (Rows{{0, 0, 1, 192}}));
    EXPECT_EQ(rows("Tempo", -1), (Rows{{0, 60'000'000 / tempo, 0, 0}}));
    EXPECT_EQ(rows("End_track", -1), (Rows{{endTick, 0, 0, 0}}));

    Rows markers;
    for (long k = 1; k <= 64L * barCount; ++k) markers.push_back({ticksPerStep * k, 70, 0, 0});
    EXPECT_EQ(rows("Note_on_c", 6), markers);

    for (int i = 0; i < channelCount; ++i) {
        const ChannelTrack& track = tracks[i];
        std::vector<NoteEvent> written;
        if (track.instrument != 0) {
            const std::size_t limit = std::min<std::size_t>(track.events.size(), 64 * barCount + 10);
            for (std::size_t k = 0; k < limit && track.events[k].note != 0; ++k) {
                const NoteEvent& e = track.events[k];
                if (e.bar >= 0 && e.bar < barCount && e.step >= 0 && e.step < 64) written.push_back(e);
            }
            std::stable_sort(written.begin(), written.end(), [](const NoteEvent& a, const NoteEvent& b) {
                return a.bar * 64 + a.step < b.bar * 64 + b.step;
            });
        }
        Rows notes, offs, controls, bends, pressures;
        for (std::size_t k = 0; k < written.size(); ++k) {
            const NoteEvent& e = written[k];
            const long tick = ticksPerStep * (64L * e.bar + e.step);
            notes.push_back({tick, e.note, e.velocity, 0});
            if (k > 0) offs.push_back({tick, written[k - 1].note, 0, 0});
            if (e.modulation) controls.push_back({tick, 1, e.modulation, 0});
            if (e.pan) controls.push_back({tick, 10, e.pan, 0});
            if (e.expression) controls.push_back({tick, 11, e.expression, 0});
            if (e.pitchWheel) bends.push_back({tick, e.pitchWheel * 128L, 0, 0});
            if (e.aftertouch) pressures.push_back({tick, e.note, e.aftertouch, 0});
        }
        if (!written.empty()) notes.push_back({endTick, written.back().note, 0, 0});
        Rows programs;
        if (track.instrument != 0) programs.push_back({0, track.instrument - 1, 0, 0});

        SCOPED_TRACE("channel " + std::to_string(i));
        EXPECT_EQ(rows("Program_c", i), programs);
        EXPECT_EQ(rows("Note_on_c", i), notes);
        EXPECT_EQ(rows("Note_off_c", i), offs);
        EXPECT_EQ(rows("Control_c", i), controls);
        EXPECT_EQ(rows("Pitch_bend_c", i), bends);
        EXPECT_EQ(rows("Poly_aftertouch_c", i), pressures);
    }
}

// Writes `bytes` to a scratch file and checks midicsv's reading of it.
inline void expectBytesAgree(const std::vector<std::uint8_t>& bytes, const MidiTracks& tracks,
                             int barCount, int tempo) {
    TempDir dir;
    writeAll(dir.file("check.mid"), bytes);
    expectMidicsvAgrees(dir.file("check.mid"), tracks, barCount, tempo);
}

}  // namespace halcyone::testing
