#include "ui/ClientArea.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "fractal/PreviewGrid.h"

namespace halcyone {

namespace {
const QRect previewRect(previewOrigin, QSize(previewSize, previewSize));
}  // namespace

ClientArea::ClientArea(QSize size, QWidget* parent) : QWidget(parent) {
    setFixedSize(size);
}

QRect ClientArea::framedSquare(QPoint from, QPoint to) {
    const int side = std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y()));
    const QPoint centre2 = from + to;  // twice the centre, exact for odd sums
    return QRect((centre2.x() - side) / 2, (centre2.y() - side) / 2, side, side);
}

void ClientArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The frame as four one-pixel strips, so that it stays a pixel of the layout wide (two device
    // pixels at a ratio of 2) and touches the preview.
    const QRect frame(previewOrigin - QPoint(previewFrameInset, previewFrameInset),
                      QSize(previewSize + 2 * previewFrameInset, previewSize + 2 * previewFrameInset));
    for (const QRect& strip : {QRect(frame.left(), frame.top(), frame.width(), 1),
                               QRect(frame.left(), frame.bottom(), frame.width(), 1),
                               QRect(frame.left(), frame.top(), 1, frame.height()),
                               QRect(frame.right(), frame.top(), 1, frame.height())})
        painter.fillRect(strip, Qt::black);
    // Copied, never computed again: the preview changes only when it is rendered.
    if (!preview_.isNull()) painter.drawImage(previewOrigin, preview_);
    // A drag repaints only the preview; the keyboard is drawn where the repaint reaches it.
    if (!keyboard_.image().isNull() &&
        event->rect().intersects(QRect(keyboardOrigin, keyboard_.image().size()))) {
        keyboard_.draw();
        const int scale = static_cast<int>(std::ceil(devicePixelRatioF()));
        painter.drawImage(keyboardOrigin, scale > 1 ? sharpKeyboard(scale) : keyboard_.image());
    }
    if (dragging_ && pressedOnPreview_) {
        // The square the drag will frame, in white over black dashes: seen on any colour.
        const QRect square = framedSquare(*pressedOnPreview_, dragTo_).translated(previewOrigin);
        painter.setClipRect(previewRect);
        painter.setPen(QPen(Qt::white, 0));
        painter.drawRect(square);
        painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
        painter.drawRect(square);
    }
}

const QImage& ClientArea::sharpKeyboard(int scale) {
    std::vector<int> notes;
    for (int i = 0; i < keyboardOctaves; ++i)
        for (int k = 0; k < OctaveWidget::keyCount; ++k)
            if (const KeyWidget& key = keyboard_.octave(i).key(k); key.selected())
                notes.push_back(key.note());
    notes.push_back(scale);
    if (notes == sharpNotes_) return sharpKeys_;
    // The same keys at a key unit `scale` times as large: every length of the keyboard scales
    // with its key unit, so the image is exactly `scale` times the size and shows the same keys.
    KeyboardWidget sharp;
    sharp.create(nullptr, keyboardOctaves, keyboardKeyUnit * scale);
    sharp.setFirstNote(keyboardFirstNote);
    for (std::size_t n = 0; n + 1 < notes.size(); ++n) sharp.setKeySelected(notes[n], true);
    sharp.draw();
    sharpKeys_ = sharp.image();
    sharpKeys_.setDevicePixelRatio(scale);
    sharpNotes_ = std::move(notes);
    return sharpKeys_;
}

std::optional<QPoint> ClientArea::previewPixel(QPointF position) const {
    const QPoint point = position.toPoint();
    if (!previewRect.contains(point)) return std::nullopt;
    return point - previewOrigin;
}

QPoint ClientArea::clampedToPreview(QPointF position) const {
    const QPoint point = position.toPoint() - previewOrigin;
    return QPoint(std::clamp(point.x(), 0, previewSize - 1), std::clamp(point.y(), 0, previewSize - 1));
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    const std::optional<QPoint> pixel = previewPixel(event->position());
    if (!pixel) {
        if (event->button() == Qt::LeftButton) emit leftButtonDown(event->position().toPoint());
        return;
    }
    if (event->button() == Qt::RightButton) emit previewClicked(*pixel, false);
    if (event->button() != Qt::LeftButton) return;
    pressedOnPreview_ = pixel;
    dragTo_ = *pixel;
    dragging_ = false;
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedOnPreview_ || !(event->buttons() & Qt::LeftButton)) return;
    dragTo_ = clampedToPreview(event->position());
    const QPoint moved = dragTo_ - *pressedOnPreview_;
    if (std::abs(moved.x()) >= dragThreshold || std::abs(moved.y()) >= dragThreshold) dragging_ = true;
    if (dragging_) update(previewRect);
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressedOnPreview_) return;
    const QPoint from = *pressedOnPreview_;
    const bool dragged = dragging_;
    pressedOnPreview_.reset();
    dragging_ = false;
    if (dragged) {
        update(previewRect);
        emit previewDragged(from, dragTo_);
    } else {
        emit previewClicked(from, true);
    }
}

void ClientArea::wheelEvent(QWheelEvent* event) {
    const std::optional<QPoint> pixel = previewPixel(event->position());
    if (!pixel) {
        event->ignore();
        return;
    }
    wheelAngle_ += event->angleDelta().y();
    for (; wheelAngle_ >= wheelNotch; wheelAngle_ -= wheelNotch) emit previewClicked(*pixel, true);
    for (; wheelAngle_ <= -wheelNotch; wheelAngle_ += wheelNotch) emit previewClicked(*pixel, false);
}

}  // namespace halcyone
