// What keeps the window alive but closed to the user while Compose runs: user input is
// discarded (not postponed), while painting, timers and the close box still get through.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include "compose/Composer.h"

namespace halcyone {

// Swallows every keyboard, mouse, wheel and touch event of the application while it exists.
class InputGate : public QObject {
public:
    InputGate();
    ~InputGate() override;
    InputGate(const InputGate&) = delete;
    InputGate& operator=(const InputGate&) = delete;

    // Delivers what is pending, so that input that arrived meanwhile is discarded now rather
    // than acted on once the gate is gone.
    void drain();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Steps the window's progress bar, and on pulses lets the window repaint (at most every
// repaintIntervalMs) and answer its close box. `stopRequested` is read after each repaint.
class WindowComposeProgress : public ProgressBarSteps {
public:
    explicit WindowComposeProgress(const bool& stopRequested);
    bool pulse() override;

private:
    const bool& stopRequested_;
    QElapsedTimer sinceRepaint_;
};

}  // namespace halcyone
