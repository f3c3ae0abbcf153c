#include "ui/DialogGroupBox.h"

#include <QPainter>

namespace halcyone {

DialogGroupBox::DialogGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

QRect DialogGroupBox::frameArea() const {
    const int top = fontMetrics().height() / 2;
    return QRect(0, top, width(), height() - top);
}

QRect DialogGroupBox::captionArea() const {
    const QFontMetrics metrics = fontMetrics();
    return QRect(captionIndent + captionGap, 0, metrics.horizontalAdvance(title()), metrics.height());
}

void DialogGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Etched: a dark rectangle, and a light one a pixel to the right and below.
    const QRect frame = frameArea();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -2, -2));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.adjusted(1, 1, -1, -1));
    if (title().isEmpty()) return;
    const QRect caption = captionArea();
    painter.fillRect(caption.adjusted(-captionGap, 0, captionGap, 0), palette().window());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
}

}  // namespace halcyone
