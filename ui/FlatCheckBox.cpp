#include "ui/FlatCheckBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace halcyone {

FlatCheckBox::FlatCheckBox(QWidget* parent) : QCheckBox(parent) {}

QRect FlatCheckBox::boxArea() const {
    const int side = std::min({boxSize, width(), height()});
    return QRect(0, (height() - side) / 2, side, side);
}

void FlatCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect box = boxArea();
    painter.fillRect(box, palette().color(isEnabled() ? QPalette::Base : QPalette::Window));
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    if (isChecked()) {
        // The tick: a short stroke down to the lower third, then a long one up to the right.
        const QPointF tick[] = {{box.left() + 3.0, box.top() + 6.0},
                                {box.left() + 5.5, box.top() + 8.5},
                                {box.left() + 10.0, box.top() + 3.5}};
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1.6));
        painter.drawPolyline(tick, 3);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    if (hasFocus() && option.state & QStyle::State_KeyboardFocusChange) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(box.adjusted(2, 2, -3, -3));
    }
}

bool FlatCheckBox::hitButton(const QPoint& position) const { return rect().contains(position); }

}  // namespace halcyone
