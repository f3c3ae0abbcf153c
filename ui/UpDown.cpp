#include "ui/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/ArrowRepeat.h"

namespace halcyone {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 2; ++i) {
        auto* button = new QToolButton(this);
        button->setArrowType(i == 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        button->installEventFilter(this);
        auto* repeat = new ArrowRepeat(button, [button] { return button->isDown(); });
        connect(repeat, &ArrowRepeat::step, this, [this, i] { step(i == 0); });
        connect(repeat, &ArrowRepeat::lost, button, [button] { button->setDown(false); });
        layout->addWidget(button);
        arrows_[static_cast<std::size_t>(i)] = button;
        repeats_[static_cast<std::size_t>(i)] = repeat;
    }
    setFocusPolicy(Qt::NoFocus);
}

void UpDown::setBuddy(QLineEdit* buddy) {
    if (buddy == buddy_) {
        showPosition();
        return;
    }
    if (buddy_) buddy_->removeEventFilter(this);
    buddy_ = buddy;
    if (!buddy_) return;
    buddy_->installEventFilter(this);
    QRect edit = buddy_->geometry();
    edit.setWidth(std::max(edit.width() - width(), 1));
    buddy_->setGeometry(edit);
    move(edit.right() + 1, edit.top());
    resize(width(), edit.height());
    showPosition();
}

void UpDown::setRange(int low, int high) {
    range_ = ControlRange{low, high};
    position_ = clampToRange(position_, range_);
}

int UpDown::position() {
    if (buddy_)
        if (const auto typed = typedPosition(buddy_->text().toStdString(), range_)) position_ = *typed;
    return position_;
}

int UpDown::setPosition(int position) {
    const int previous = position_;
    position_ = clampToRange(position, range_);
    showPosition();
    return previous;
}

void UpDown::step(bool up) {
    setPosition(steppedPosition(position(), up, range_));
    if (buddy_) buddy_->selectAll();
}

void UpDown::showPosition() {
    if (buddy_) buddy_->setText(QString::number(position_));
}

bool UpDown::arrowEvent(int index, QEvent* event) {
    ArrowRepeat& repeat = *repeats_[static_cast<std::size_t>(index)];
    const auto leftButton = [event] { return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton; };
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (!leftButton()) return false;
            // The focus moves first, so that the control it leaves takes up its text before
            // anything steps.
            if (buddy_) buddy_->setFocus(Qt::MouseFocusReason);
            repeat.start();
            return false;
        case QEvent::MouseButtonRelease:
            if (leftButton()) repeat.stop();
            return false;
        case QEvent::Hide:
        case QEvent::EnabledChange:
            repeat.stop();
            return false;
        default:
            return false;
    }
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 2; ++i)
        if (watched == arrows_[static_cast<std::size_t>(i)]) return arrowEvent(i, event);
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up);
            return true;
        }
    }
    if (watched == buddy_ && event->type() == QEvent::FocusOut && showsPositionOnFocusOut_) {
        position();
        showPosition();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace halcyone
