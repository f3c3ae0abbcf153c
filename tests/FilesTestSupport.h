// Helpers for the tests that touch files or drive the window's commands: a scratch folder,
// whole-file reads and writes, a file size limit, the controls and message boxes in memory,
// shell tools' output and MIDI files read back through midicsv.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "compose/ControlSync.h"
#include "files/MidiBytes.h"
#include "platform/DesktopServices.h"
#include "testing/ScriptedDesktop.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace halcyone::testing {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

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
    // The names of everything in the folder, sorted: catches left-over temporaries.
    Texts entries() const {
        Texts names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Sets an environment variable (nullptr unsets it) until the end of the scope.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { previous ? ::setenv(name, previous->c_str(), 1) : ::unsetenv(name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    const char* name;
    std::optional<std::string> previous;
};

// Runs `action` while files may grow to `limit` bytes only: a write past it fails with EFBIG
// (the signal that would end the process is ignored meanwhile).
template <class Action>
void withFileSizeLimit(rlim_t limit, Action action) {
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit lowered = previous;
    lowered.rlim_cur = limit;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    action();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
}

// The window's side: its controls in memory, message boxes and file dialogs scripted, and a
// scratch folder for the files the commands write.
class CommandTest : public ::testing::Test {
protected:
    CommandTest() { setUpControls(); }

    // Each message box as "caption: text".
    Texts messageTexts() const {
        Texts texts;
        for (const auto& m : desk.messages) texts.push_back(m.caption + ": " + m.text);
        return texts;
    }

    MemoryControlPanel panel;
    ScopedControlHost controls{panel};
    ScriptedDesktop desk;
    ScopedDesktop desktopScope{desk};
    TempDir dir;
};

// What a shell command prints, its error output included. A failed command is a test failure.
inline std::string commandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    char text[4096];
    for (std::size_t n; pipe && (n = std::fread(text, 1, sizeof text, pipe)) > 0;)
        out.append(text, n);
    EXPECT_TRUE(pipe != nullptr && ::pclose(pipe) == 0) << command << ":\n" << out.substr(0, 2000);
    return out;
}

// midicsv's reading of a MIDI file, one "tick, type, values" line per record, filed by MIDI
// channel without the channel itself (-1: records that are not channel events, and whatever
// midicsv complains).
inline std::map<long, Texts> readWithMidicsv(const Bytes& bytes) {
    TempDir dir;
    writeAll(dir.file("check.mid"), bytes);
    std::map<long, Texts> byChannel;
    std::istringstream lines(commandOutput("midicsv '" + dir.file("check.mid") + "'"));
    for (std::string line; std::getline(lines, line);) {
        line.erase(0, line.find(", ") + 2);  // the track number
        const std::size_t typeEnd = line.find(',', line.find(", ") + 2);
        long channel = -1;
        if (typeEnd != std::string::npos && line.compare(typeEnd - 2, 2, "_c") == 0) {
            channel = std::stol(line.substr(typeEnd + 2));
            line.erase(typeEnd, line.find(", ", typeEnd + 1) - typeEnd);
        }
        byChannel[channel].push_back(line);
    }
    return byChannel;
}

// Checks midicsv's reading of a MIDI file against the composition it was written from: the
// meta events, one marker per step, and for each channel its program and, at the tick of each
// note, the note-off of the note before, the controllers, the bend, the note-on and the key
// pressure, then the last note's end. Expects data values in 0..127.
inline void expectMidicsvAgrees(const Bytes& bytes, const MidiTracks& tracks, int barCount,
                                int tempo) {
    constexpr long ticksPerStep = 12;
    const long steps = midiStepsPerBar * barCount;
    auto csv = readWithMidicsv(bytes);
    const auto row = [](long tick, const std::string& type, std::initializer_list<long> values) {
        std::string line = std::to_string(tick) + ", " + type;
        for (long v : values) line += ", " + std::to_string(v);
        return line;
    };
    EXPECT_EQ(csv[-1],
              (Texts{"0, Header, 0, 1, 192", "0, Start_track", "0, Time_signature, 4, 2, 24, 8",
                     row(0, "Tempo", {60'000'000 / tempo}), "0, Key_signature, 0, \"major\"",
                     row(ticksPerStep * steps, "End_track", {}), "0, End_of_file"}));
    Texts markers;
    for (long k = 1; k <= steps; ++k)
        markers.push_back(row(ticksPerStep * k, "Note_on_c", {70, 0}));
    EXPECT_EQ(csv[6], markers);

    for (int i = 0; i < channelCount; ++i) {
        // What the walk writes: up to the first note 0 or steps + 10 entries, inside the bars.
        std::vector<NoteEvent> notes;
        const auto walked = std::min<std::size_t>(tracks[i].events.size(), steps + 10);
        for (std::size_t k = 0; tracks[i].instrument && k < walked && tracks[i].events[k].note;
             ++k) {
            const NoteEvent& e = tracks[i].events[k];
            if (e.bar >= 0 && e.bar < barCount && e.step >= 0 && e.step < midiStepsPerBar)
                notes.push_back(e);
        }
        const auto tick = [](const NoteEvent& e) {
            return ticksPerStep * (midiStepsPerBar * e.bar + e.step);
        };
        std::stable_sort(notes.begin(), notes.end(),
                         [&](auto& a, auto& b) { return tick(a) < tick(b); });
        Texts expected;
        if (tracks[i].instrument)
            expected.push_back(row(0, "Program_c", {tracks[i].instrument - 1}));
        for (std::size_t k = 0; k < notes.size(); ++k) {
            const NoteEvent& e = notes[k];
            if (k > 0) expected.push_back(row(tick(e), "Note_off_c", {notes[k - 1].note, 0}));
            if (e.modulation) expected.push_back(row(tick(e), "Control_c", {1, e.modulation}));
            if (e.pan) expected.push_back(row(tick(e), "Control_c", {10, e.pan}));
            if (e.expression) expected.push_back(row(tick(e), "Control_c", {11, e.expression}));
            if (e.pitchWheel)
                expected.push_back(row(tick(e), "Pitch_bend_c", {e.pitchWheel * 128L}));
            expected.push_back(row(tick(e), "Note_on_c", {e.note, e.velocity}));
            if (e.aftertouch)
                expected.push_back(row(tick(e), "Poly_aftertouch_c", {e.note, e.aftertouch}));
        }
        if (!notes.empty())
            expected.push_back(row(ticksPerStep * steps, "Note_on_c", {notes.back().note, 0}));
        EXPECT_EQ(csv[i], expected) << "channel " << i;
    }
}

}  // namespace halcyone::testing
