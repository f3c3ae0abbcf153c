#include "ui/LeftTextCheckBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

namespace halcyone {

LeftTextCheckBox::LeftTextCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {}

QRect LeftTextCheckBox::boxArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    return QRect(width() - box.width(), (height() - box.height()) / 2, box.width(), box.height());
}

QRect LeftTextCheckBox::textArea() const { return QRect(0, 0, boxArea().left() - 1, height()); }

void LeftTextCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton indicator;
    initStyleOption(&indicator);
    const bool focusShown = hasFocus() && indicator.state & QStyle::State_KeyboardFocusChange;
    indicator.rect = boxArea();
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicator, &painter, this);
    const QRect text = textArea();
    style()->drawItemText(&painter, text, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          this->text(), QPalette::WindowText);
    if (focusShown) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = text;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool LeftTextCheckBox::hitButton(const QPoint& position) const { return rect().contains(position); }

}  // namespace halcyone
