// What the command-line tool installs in place of the window: an in-memory control panel that
// draws Compose's progress on the terminal, and a desktop whose file dialog answers with the
// path given on the command line and whose message boxes become error lines.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "platform/DesktopServices.h"
#include "platform/MemoryControlPanel.h"

namespace halcyone::cli {

// A one-line progress bar on stderr, drawn only when stderr is a terminal.
class ProgressLine {
public:
    explicit ProgressLine(std::string label);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void show(double fraction);  // 0..1
    void finish();

private:
    std::string label_;
    bool enabled_;
    int lastPercent_ = -1;
    bool finished_ = false;
};

class TerminalPanel : public MemoryControlPanel {
public:
    // Compose steps the progress bar a few times per channel; the line shows how far the
    // whole job has come: `channel` of `channelCount`, and `stepsExpected` steps within it.
    void beginChannel(int channel, int channelCount, int stepsExpected);
    void attach(ProgressLine* line) { line_ = line; }

    std::int32_t handle(ControlId id, ControlMessage message, std::intptr_t wParam,
                        std::intptr_t lParam) override;

private:
    ProgressLine* line_ = nullptr;
    int channel_ = 0;
    int channelCount_ = 1;
    int stepsExpected_ = 1;
    int steps_ = 0;
};

class TerminalDesktop : public DesktopServices {
public:
    // The file dialog answers with this path (nothing = cancelled).
    std::optional<std::string> answer;
    // The last message shown, for the tool to print as its error line.
    std::optional<std::string> lastMessage;

    std::optional<std::string> askSaveFileName(const FileDialogSpec&) override { return answer; }
    void showMessage(const std::string& text, const std::string&) override { lastMessage = text; }
};

}  // namespace halcyone::cli
