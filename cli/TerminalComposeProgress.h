// How far a Compose of the command-line tool has come, as its progress line shows it.
#pragma once

#include <atomic>

#include "cli/ProgressLine.h"
#include "compose/Composer.h"

namespace halcyone::cli {

// The compose's progress on `line`: the channel of five, and the progress steps expected
// within it. The compose stops early once `stop` is true.
class TerminalComposeProgress : public ComposeProgress {
public:
    TerminalComposeProgress(ProgressLine& line, int stepsPerChannel,
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

}  // namespace halcyone::cli
