// The arrows of an up-down control bound to an edit (its buddy), which shows the position as
// decimal text. Typed text is taken up when the position is read, and only when it is a whole
// number within the range; otherwise the position keeps its last value. The arrows (and the
// Up and Down keys in the edit) step the position within the range; a click on an arrow gives
// the buddy the focus, so that leaving it later tells the window the value is final.
#pragma once

#include <QWidget>

#include <array>

#include "platform/ControlRules.h"

class QLineEdit;
class QToolButton;

namespace halcyone {

class ArrowRepeat;

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent);

    // Moves the arrows to the buddy's right edge and narrows the buddy to make room for them.
    void setBuddy(QLineEdit* buddy);
    void setRange(int low, int high);
    int position();  // after taking up the buddy's text
    int setPosition(int position);  // clamped; answers the previous position

    // The buddy shows the position in use again when it loses the focus holding text that was
    // not taken up ("7.5", "abc", a number out of range), rather than keep showing what was
    // refused. Off by default: the slide speed edit takes any text up itself on losing focus.
    void setShowsPositionOnFocusOut(bool on) { showsPositionOnFocusOut_ = on; }

    QToolButton* arrow(bool up) const { return arrows_[up ? 0 : 1]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool arrowEvent(int index, QEvent* event);
    void step(bool up);
    void showPosition();

    std::array<QToolButton*, 2> arrows_{};   // up, down
    std::array<ArrowRepeat*, 2> repeats_{};
    QLineEdit* buddy_ = nullptr;
    ControlRange range_;
    int position_ = 0;
    bool showsPositionOnFocusOut_ = false;
};

}  // namespace halcyone
