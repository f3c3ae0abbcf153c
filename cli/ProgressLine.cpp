#include "cli/ProgressLine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace halcyone::cli {

namespace {
constexpr int barWidth = 40;
}

ProgressLine::ProgressLine(std::string label)
    : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) != 0) {}

ProgressLine::~ProgressLine() {
    abandon();
}

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

}  // namespace halcyone::cli
