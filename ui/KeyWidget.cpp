#include "ui/KeyWidget.h"

#include <QPainter>
#include <QRect>

#include "ui/KeyProportions.h"
#include "ui/QtColour.h"

namespace halcyone {

namespace {

QRect toQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

}  // namespace

KeyWidget::KeyWidget() : Widget(0, 0, 0, 0) {}

KeyWidget::~KeyWidget() = default;

void KeyWidget::place(QImage* target, int x, int y, KeyShape shape, int keyUnit) {
    target_ = target;
    x_ = x;
    y_ = y;
    shape_ = shape;
    note_ = 0;
    selected_ = false;

    const int u = keyUnit;
    const int w = whiteKeyUnits * u;
    const int d = notchWidth(w);
    const int upperBottom = y + upperPartUnits * u;
    const int keyBottom = y + keyHeightUnits * u;
    lowerRect_ = {x, upperBottom, x + w, keyBottom};
    switch (shape) {
    case KeyShape::WhiteBeforeBlack:
        upperRect_ = {x, y, x + w - d, upperBottom};
        break;
    case KeyShape::WhiteBetweenBlacks:
        upperRect_ = {x + d, y, x + w - d, upperBottom};
        break;
    case KeyShape::WhiteAfterBlack:
        // Nothing lies to its right, so the upper part reaches down the whole key.
        upperRect_ = {x + d, y, x + w, keyBottom};
        break;
    case KeyShape::Black:
        upperRect_ = {x, y, x + blackKeyUnits * u, upperBottom - u / 3};
        lowerRect_ = {};
        break;
    }
}

std::uint8_t KeyWidget::hitTest(int px, int py) const {
    const bool onKey = upperRect_.contains(px, py) || (isWhite() && lowerRect_.contains(px, py));
    return onKey ? note_ : 0;
}

void KeyWidget::paintSelected() { fill(isWhite() ? selectedWhiteColour : selectedBlackColour); }

void KeyWidget::paintIdle() { fill(isWhite() ? idleWhiteColour : idleBlackColour); }

void KeyWidget::fill(Colour colour) {
    if (target_ == nullptr || target_->isNull()) {
        return;
    }
    QPainter painter(target_);
    const QColor brush = qColour(colour);
    painter.fillRect(toQRect(upperRect_), brush);
    if (isWhite()) {
        painter.fillRect(toQRect(lowerRect_), brush);
    }
}

}  // namespace halcyone
