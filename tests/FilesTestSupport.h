// Helpers for the tests that touch files or drive the window's commands: a scratch folder,
// whole-file reads and writes, a file size limit, the controls and message boxes in memory,
// and shell tools' output.
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
#include <optional>
#include <string>
#include <vector>

#include "compose/ControlSync.h"
#include "platform/DesktopServices.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"
#include "testing/ScriptedDesktop.h"

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

}  // namespace halcyone::testing
