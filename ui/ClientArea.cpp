#include "ui/ClientArea.h"

#include <QMouseEvent>
#include <QPainter>

#include "fractal/PreviewGrid.h"

namespace halcyone {

ClientArea::ClientArea(QSize size, QWidget* parent) : QWidget(parent) {
    setFixedSize(size);
}

void ClientArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 0));
    const QSize framed(previewSize, previewSize);
    painter.drawRect(previewOrigin.x() - previewFrameInset, previewOrigin.y() - previewFrameInset,
                     framed.width() + previewFrameInset, framed.height() + previewFrameInset);
    // Copied, never computed again: the preview changes only when it is rendered.
    if (!preview_.isNull()) painter.drawImage(previewOrigin, preview_);
    keyboard_.draw();
    if (!keyboard_.image().isNull()) painter.drawImage(keyboardOrigin, keyboard_.image());
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit leftButtonDown(event->position().toPoint());
}

}  // namespace halcyone
