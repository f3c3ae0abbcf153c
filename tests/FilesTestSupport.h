// Helpers for the file tests: a scratch folder, whole-file reads, and MIDI files read back
// through midicsv.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
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

// midicsv's reading of `path`, one "tick, type, values" line per record, filed by MIDI channel
// (-1 for records that are not channel events; the channel itself is left out of the line).
// A failed read is a test failure and gives nothing.
inline std::map<long, std::vector<std::string>> readWithMidicsv(const std::string& path) {
    std::map<long, std::vector<std::string>> byChannel;
    FILE* pipe = ::popen(("midicsv '" + path + "' 2>&1").c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run midicsv";
        return byChannel;
    }
    char text[512];
    std::string firstLines;
    while (std::fgets(text, sizeof text, pipe)) {
        if (firstLines.size() < 2000) firstLines += text;
        std::string line(text, std::strcspn(text, "\n"));
        line.erase(0, line.find(", ") + 2);  // the track number
        const std::size_t typeEnd = line.find(',', line.find(", ") + 2);
        long channel = -1;
        if (typeEnd != std::string::npos && line.compare(typeEnd - 2, 2, "_c") == 0) {
            const std::size_t valuesAt = line.find(", ", typeEnd + 1);
            channel = std::stol(line.substr(typeEnd + 2));
            line.erase(typeEnd, valuesAt == std::string::npos ? std::string::npos : valuesAt - typeEnd);
        }
        byChannel[channel].push_back(line);
    }
    if (::pclose(pipe) != 0) {
        ADD_FAILURE() << "midicsv failed on " << path << ":\n" << firstLines;
        byChannel.clear();
    }
    return byChannel;
}

// Checks midicsv's reading of the MIDI file at `path` against the composition it was written
// from: the meta events, one marker per step, and for each channel its program and, at the
// tick of each note, the note-off of the note before, the controllers, the bend, the note-on
// and the key pressure, then the last note's end. Expects data values in 0..127.
inline void expectMidicsvAgrees(const std::string& path, const MidiTracks& tracks, int barCount,
                                int tempo) {
    constexpr long ticksPerStep = 12;
    const long endTick = ticksPerStep * 64 * barCount;
    auto csv = readWithMidicsv(path);
    const auto row = [](long tick, const std::string& type, std::initializer_list<long> values) {
        std::string line = std::to_string(tick) + ", " + type;
        for (long v : values) line += ", " + std::to_string(v);
        return line;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(csv[-1], (Lines{"0, Header, 0, 1, 192", "0, Start_track", "0, Time_signature, 4, 2, 24, 8",
                              row(0, "Tempo", {60'000'000 / tempo}), "0, Key_signature, 0, \"major\"",
                              row(endTick, "End_track", {}), "0, End_of_file"}));
    Lines markers;
    for (long k = 1; k <= 64L * barCount; ++k) markers.push_back(row(ticksPerStep * k, "Note_on_c", {70, 0}));
    EXPECT_EQ(csv[6], markers);

    for (int i = 0; i < channelCount; ++i) {
        const ChannelTrack& track = tracks[i];
        Lines expected;
        if (track.instrument != 0) {
            expected.push_back(row(0, "Program_c", {track.instrument - 1}));
            std::vector<NoteEvent> written;
            const std::size_t limit = std::min<std::size_t>(track.events.size(), 64 * barCount + 10);
            for (std::size_t k = 0; k < limit && track.events[k].note != 0; ++k) {
                const NoteEvent& e = track.events[k];
                if (e.bar >= 0 && e.bar < barCount && e.step >= 0 && e.step < 64) written.push_back(e);
            }
            std::stable_sort(written.begin(), written.end(), [](const NoteEvent& a, const NoteEvent& b) {
                return a.bar * 64 + a.step < b.bar * 64 + b.step;
            });
            for (std::size_t k = 0; k < written.size(); ++k) {
                const NoteEvent& e = written[k];
                const long tick = ticksPerStep * (64L * e.bar + e.step);
                if (k > 0) expected.push_back(row(tick, "Note_off_c", {written[k - 1].note, 0}));
                if (e.modulation) expected.push_back(row(tick, "Control_c", {1, e.modulation}));
                if (e.pan) expected.push_back(row(tick, "Control_c", {10, e.pan}));
                if (e.expression) expected.push_back(row(tick, "Control_c", {11, e.expression}));
                if (e.pitchWheel) expected.push_back(row(tick, "Pitch_bend_c", {e.pitchWheel * 128L}));
                expected.push_back(row(tick, "Note_on_c", {e.note, e.velocity}));
                if (e.aftertouch) expected.push_back(row(tick, "Poly_aftertouch_c", {e.note, e.aftertouch}));
            }
            if (!written.empty()) expected.push_back(row(endTick, "Note_on_c", {written.back().note, 0}));
        }
        EXPECT_EQ(csv[i], expected) << "channel " << i;
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
