// A one-line progress bar on the terminal, where the command-line tool shows how far a long
// piece of work has come.
#pragma once

#include <string>

namespace halcyone::cli {

// Drawn on stderr, and only when stderr is a terminal. A line that is not finished (the work
// failed or was stopped) is ended where it stands, so that a message printed next starts on a
// line of its own and no full bar follows it.
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

}  // namespace halcyone::cli
