// The window's own kinds of control, where Qt's stock widgets behave differently from what the
// program expects of them.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

class QLineEdit;

namespace halcyone {

// A drop-down list with an editable field. Only a choice picked from the list (with the mouse
// or the keyboard) counts: typing in the field never selects an entry, and while the typed
// text stands the list reports no selection.
class ChoiceList : public QComboBox {
    Q_OBJECT
public:
    explicit ChoiceList(QWidget* parent);

    int selection() const;  // -1 while none
    void setSelection(int entry);

signals:
    void picked(int entry);

private:
    bool typedOver_ = false;
};

// The arrows of an up-down control bound to an edit (its buddy), which shows the position as
// decimal text. Typed text is taken up when the position is read, and only when it is a whole
// number within the range; otherwise the position keeps its last value. The arrows (and the
// Up and Down keys in the edit) step the position within the range.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent);

    // Moves the arrows to the buddy's right edge and narrows the buddy to make room for them.
    void setBuddy(QLineEdit* buddy);
    void setRange(int low, int high);
    int position();  // after taking up the buddy's text
    int setPosition(int position);  // clamped; answers the previous position

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepBy(int delta);
    void showPosition();

    QLineEdit* buddy_ = nullptr;
    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
};

// A scroll bar whose arrows alone act: a click on either arrow (repeated while held) reports a
// line step; the page areas and the thumb do nothing.
class ArrowBar : public QWidget {
    Q_OBJECT
public:
    ArrowBar(Qt::Orientation orientation, QWidget* parent);

signals:
    void lineBack();     // up or left
    void lineForward();  // down or right

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Arrow { None, Back, Forward };
    Arrow arrowAt(const QPoint& point) const;
    void fire();

    Qt::Orientation orientation_;
    Arrow pressed_ = Arrow::None;
    QTimer repeat_;
};

// A progress bar that advances by a step and starts over from its minimum past its maximum.
class SteppedProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit SteppedProgressBar(QWidget* parent);

    void setStep(int step) { step_ = step; }
    int stepIt();  // answers the previous position

private:
    int step_ = 10;
};

// A check box with its text at the left edge and the box at the right edge; a click anywhere on
// it toggles it.
class LeftTextCheckBox : public QCheckBox {
    Q_OBJECT
public:
    LeftTextCheckBox(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};

// A push button that shows a picture instead of its caption once it has one.
class PictureButton : public QPushButton {
    Q_OBJECT
public:
    PictureButton(const QString& caption, QWidget* parent);
    void setPicture(const QImage& picture);
};

}  // namespace halcyone
