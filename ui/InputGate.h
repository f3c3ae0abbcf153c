// What keeps the window alive but closed to the user while Compose runs: input that would start
// something (presses, clicks, keys, wheel turns, drops) is discarded, not postponed, while
// painting, timers, the close box and the releases of what was already held get through, so
// that nothing stays pressed once Compose ends. Escape asks Compose to stop.
#pragma once

#include <QObject>

namespace halcyone {

class InputGate : public QObject {
public:
    // `stopRequested` is set when Escape is pressed meanwhile.
    explicit InputGate(bool& stopRequested);
    ~InputGate() override;
    InputGate(const InputGate&) = delete;
    InputGate& operator=(const InputGate&) = delete;

    // Delivers what is pending, so that input that arrived meanwhile is discarded now rather
    // than acted on once the gate is gone.
    void drain();

    // Whether a gate is in place now.
    static bool isClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool& stopRequested_;
};

}  // namespace halcyone
