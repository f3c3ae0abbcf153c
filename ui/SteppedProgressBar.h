// A progress bar that advances by a step and starts over from its minimum past its maximum, and
// keeps the nearest position when its range changes.
#pragma once

#include <QProgressBar>

namespace halcyone {

class SteppedProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit SteppedProgressBar(QWidget* parent);

    void setStep(int step) { step_ = step; }
    int stepIt();  // answers the previous position
    // The range as the control seam gives it (low may lie above high).
    void setControlRange(int low, int high);
    int setPosition(int position);  // clamped; answers the previous position

private:
    int step_ = 10;
};

}  // namespace halcyone
