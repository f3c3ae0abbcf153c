// What the command-line tool shows in place of the window: Compose's progress on the terminal,
// and a desktop whose file dialog answers with the path given on the command line and whose
// message boxes become error lines.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "platform/DesktopServices.h"
#include "compose/Composer.h"

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

// Shows how far a Compose has come on a ProgressLine: `channel` of five, and the progress steps
// expected within it.
class ComposeProgressLine : public ComposeProgress {
public:
    ComposeProgressLine(ProgressLine& line, int stepsPerChannel);
    void channelStarted(int index) override;
    void step() override;

private:
    void show();

    ProgressLine& line_;
    int stepsPerChannel_;
    int channel_ = 0;
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
