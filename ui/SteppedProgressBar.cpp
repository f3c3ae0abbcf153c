#include "ui/SteppedProgressBar.h"

namespace halcyone {

SteppedProgressBar::SteppedProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

int SteppedProgressBar::stepIt() {
    const int previous = value();
    int next = previous + step_;
    const int span = maximum() - minimum();
    if (span > 0 && next > maximum()) next = minimum() + (next - minimum()) % span;
    setValue(next);
    return previous;
}

}  // namespace halcyone
