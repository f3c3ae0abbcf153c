#include "cli/TerminalSession.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "compose/Channel.h"

namespace halcyone::cli {

namespace {
constexpr int barWidth = 40;
}

ProgressLine::ProgressLine(std::string label)
    : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) != 0) {}

ProgressLine::~ProgressLine() { abandon(); }

void ProgressLine::show(double fraction) {
    if (!enabled_ || ended_) return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    const int filled = percent * barWidth / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
                 std::string(barWidth - filled, '.').c_str(), percent);
    std::fflush(stderr);
}

void ProgressLine::finish() {
    show(1.0);
    abandon();
}

void ProgressLine::abandon() {
    if (!enabled_ || ended_) return;
    ended_ = true;
    if (lastPercent_ < 0) return;  // nothing drawn
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

ComposeProgressLine::ComposeProgressLine(ProgressLine& line, int stepsPerChannel,
                                         const std::atomic<bool>* stop)
    : line_(line), stepsPerChannel_(std::max(stepsPerChannel, 1)), stop_(stop) {}

void ComposeProgressLine::channelStarted(int index) {
    channel_ = index;
    steps_ = 0;
    show();
}

void ComposeProgressLine::step() {
    steps_ = std::min(steps_ + 1, stepsPerChannel_);
    show();
}

bool ComposeProgressLine::pulse() { return !(stop_ && stop_->load()); }

void ComposeProgressLine::show() {
    const double withinChannel = static_cast<double>(steps_) / stepsPerChannel_;
    line_.show((channel_ + withinChannel) / channelCount);
}

void TerminalDesktop::showMessage(const std::string& text, const std::string&) {
    std::fprintf(stderr, "halcyone-cli: %s\n", text.c_str());
}

}  // namespace halcyone::cli
