// What the command-line tool shows in place of the window: progress on the terminal, and a
// desktop without dialogs whose message boxes become error lines.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "compose/Composer.h"
#include "platform/DesktopServices.h"

namespace halcyone::cli {

// A one-line progress bar on stderr, drawn only when stderr is a terminal. A line that is not
// finished (the work failed or was stopped) is ended where it stands, so that a message
// printed next starts on a line of its own and no full bar follows it.
class ProgressLine {
public:
    explicit ProgressLine(std::string label);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void show(double fraction);  // 0..1
    // Draws the full bar and ends the line: the work is done.
    void finish();
    // Ends the line as it stands.
    void abandon();

private:
    std::string label_;
    bool enabled_;
    int lastPercent_ = -1;
    bool ended_ = false;
};

// Shows how far a Compose has come on a ProgressLine: `channel` of five, and the progress steps
// expected within it. The compose stops early once `stop` is true.
class ComposeProgressLine : public ComposeProgress {
public:
    ComposeProgressLine(ProgressLine& line, int stepsPerChannel,
                        const std::atomic<bool>* stop = nullptr);
    void channelStarted(int index) override;
    void step() override;
    bool pulse() override;

private:
    void show();

    ProgressLine& line_;
    int stepsPerChannel_;
    const std::atomic<bool>* stop_;
    int channel_ = 0;
    int steps_ = 0;
};

// No dialogs (a file dialog is cancelled: the tool passes paths to the file commands' cores);
// a message box becomes a line on stderr.
class TerminalDesktop : public DesktopServices {
public:
    std::optional<std::string> askSaveFileName(const FileDialogSpec&) override { return {}; }
    void showMessage(const std::string& text, const std::string& caption) override;
};

}  // namespace halcyone::cli
