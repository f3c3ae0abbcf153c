#include "cli/TerminalSession.h"

#include <unistd.h>

#include <algorithm>

namespace halcyone::cli {

namespace {
constexpr int barWidth = 40;
}

ProgressLine::ProgressLine(std::string label)
    : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) != 0) {}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::show(double fraction) {
    if (!enabled_ || finished_) return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    const int filled = percent * barWidth / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
                 std::string(barWidth - filled, '.').c_str(), percent);
    std::fflush(stderr);
}

void ProgressLine::finish() {
    if (!enabled_ || finished_) return;
    show(1.0);
    std::fputc('\n', stderr);
    finished_ = true;
}

void TerminalPanel::beginChannel(int channel, int channelCount, int stepsExpected) {
    channel_ = channel;
    channelCount_ = std::max(channelCount, 1);
    stepsExpected_ = std::max(stepsExpected, 1);
    steps_ = 0;
    if (line_) line_->show(static_cast<double>(channel_) / channelCount_);
}

std::int32_t TerminalPanel::handle(ControlId id, ControlMessage message, std::intptr_t wParam,
                                   std::intptr_t lParam) {
    if (line_ && id == ControlId::Progress && message == ControlMessage::StepIt) {
        steps_ = std::min(steps_ + 1, stepsExpected_);
        line_->show((channel_ + static_cast<double>(steps_) / stepsExpected_) / channelCount_);
    }
    return MemoryControlPanel::handle(id, message, wParam, lParam);
}

}  // namespace halcyone::cli
