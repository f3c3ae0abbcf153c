#include "ui/ChannelButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace halcyone {

ChannelButton::ChannelButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setCheckable(true);
    setStyleSheet(QStringLiteral("text-align: left; padding-left: %1px;").arg(textIndent));
}

void ChannelButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_PushButton, option);
}

}  // namespace halcyone
