#include "ui/SteppedProgressBar.h"

#include "platform/ControlRules.h"

namespace halcyone {

SteppedProgressBar::SteppedProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

int SteppedProgressBar::stepIt() {
    const int previous = value();
    setValue(progressAfterStep(previous, step_, ControlRange{minimum(), maximum()}));
    return previous;
}

void SteppedProgressBar::setControlRange(int low, int high) {
    // QProgressBar empties itself when its value falls outside a new range; this bar keeps the
    // nearest position instead.
    const ControlRange range{low, high};
    const int kept = clampToRange(value(), range);
    setRange(range.least(), range.most());
    setValue(kept);
}

int SteppedProgressBar::setPosition(int position) {
    const int previous = value();
    setValue(clampToRange(position, ControlRange{minimum(), maximum()}));
    return previous;
}

}  // namespace halcyone
