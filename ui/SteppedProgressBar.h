// A progress bar that advances by a step and starts over from its minimum past its maximum.
#pragma once

#include <QProgressBar>

namespace halcyone {

class SteppedProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit SteppedProgressBar(QWidget* parent);

    void setStep(int step) { step_ = step; }
    int stepIt();  // answers the previous position

private:
    int step_ = 10;
};

}  // namespace halcyone
