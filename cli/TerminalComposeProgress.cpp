#include "cli/TerminalComposeProgress.h"

#include <algorithm>

#include "compose/Channel.h"

namespace halcyone::cli {

TerminalComposeProgress::TerminalComposeProgress(ProgressLine& line, int stepsPerChannel,
                                                 const std::atomic<bool>* stop)
    : line_(line), stepsPerChannel_(std::max(stepsPerChannel, 1)), stop_(stop) {}

void TerminalComposeProgress::channelStarted(int index) {
    channel_ = index;
    steps_ = 0;
    show();
}

void TerminalComposeProgress::step() {
    steps_ = std::min(steps_ + 1, stepsPerChannel_);
    show();
}

bool TerminalComposeProgress::pulse() {
    return !(stop_ && stop_->load());
}

void TerminalComposeProgress::show() {
    const double withinChannel = static_cast<double>(steps_) / stepsPerChannel_;
    line_.show((channel_ + withinChannel) / channelCount);
}

}  // namespace halcyone::cli
