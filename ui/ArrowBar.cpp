#include "ui/ArrowBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include "ui/ArrowRepeat.h"

namespace halcyone {

namespace {

QStyleOptionSlider arrowBarOption(const QWidget& bar, Qt::Orientation orientation) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = orientation;
    if (orientation == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = 0;  // no range: the thumb has nowhere to go
    option.pageStep = 1;
    option.subControls = QStyle::SC_All;
    return option;
}

}  // namespace

ArrowBar::ArrowBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    setFocusPolicy(Qt::NoFocus);
    repeat_ = new ArrowRepeat(this, [this] { return pointerOnPressed_; });
    connect(repeat_, &ArrowRepeat::step, this, [this] {
        if (pressed_ == Arrow::Back) emit lineBack();
        if (pressed_ == Arrow::Forward) emit lineForward();
    });
    connect(repeat_, &ArrowRepeat::lost, this, &ArrowBar::release);
}

void ArrowBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option = arrowBarOption(*this, orientation_);
    if (pressed_ != Arrow::None && pointerOnPressed_) {
        option.activeSubControls =
            pressed_ == Arrow::Back ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine;
        option.state |= QStyle::State_Sunken;
    }
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

ArrowBar::Arrow ArrowBar::arrowAt(const QPoint& point) const {
    const QStyleOptionSlider option = arrowBarOption(*this, orientation_);
    switch (style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, point, this)) {
        case QStyle::SC_ScrollBarSubLine:
            return Arrow::Back;
        case QStyle::SC_ScrollBarAddLine:
            return Arrow::Forward;
        default:
            return Arrow::None;
    }
}

QPoint ArrowBar::arrowCentre(bool back) const {
    const QStyleOptionSlider option = arrowBarOption(*this, orientation_);
    const auto part = back ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine;
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, part, this).center();
}

void ArrowBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = arrowAt(event->position().toPoint());
    if (pressed_ == Arrow::None) return;  // page areas and the thumb do nothing
    pointerOnPressed_ = true;
    update();
    repeat_->start();
}

void ArrowBar::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ == Arrow::None) return;
    const bool on = arrowAt(event->position().toPoint()) == pressed_;
    if (on == pointerOnPressed_) return;
    pointerOnPressed_ = on;
    update();
}

void ArrowBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) release();
}

void ArrowBar::hideEvent(QHideEvent*) { release(); }

void ArrowBar::release() {
    repeat_->stop();
    pressed_ = Arrow::None;
    pointerOnPressed_ = false;
    update();
}

}  // namespace halcyone
