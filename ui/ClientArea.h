// The window's client area: the controls sit on it, and it paints the two pictures that are
// not controls, the preview with its frame and the piano keyboard. On the preview the mouse
// frames the view: a click zooms in around the pointer, a right click zooms out, a drag draws
// the square that becomes the view, and the wheel zooms in or out.
#pragma once

#include <QImage>
#include <QWidget>

#include <optional>
#include <vector>

#include "ui/KeyboardWidget.h"

namespace halcyone {

// Where the pictures lie, in client pixels.
constexpr QPoint previewOrigin(350, 10);
constexpr QPoint keyboardOrigin(20, 310);
constexpr int previewFrameInset = 1;  // the frame runs one pixel outside the preview
constexpr int keyboardOctaves = 7;
constexpr int keyboardKeyUnit = 3;
constexpr int keyboardFirstNote = 12;

class ClientArea : public QWidget {
    Q_OBJECT
public:
    ClientArea(QSize size, QWidget* parent);

    void setPreview(const QImage& preview) { preview_ = preview; }
    const QImage& preview() const { return preview_; }
    KeyboardWidget& keyboard() { return keyboard_; }

    // A drag shorter than this (in pixels, either way) is a click.
    static constexpr int dragThreshold = 3;
    static constexpr int wheelNotch = 120;  // angle units of one step of a wheel

    // The square a drag from `from` to `to` (preview pixels) frames: widened about its centre.
    static QRect framedSquare(QPoint from, QPoint to);

signals:
    // A left press anywhere but on the preview (the keyboard's clicks among them).
    void leftButtonDown(QPoint position);
    // On the preview, in its pixels (0..199 each way).
    void previewClicked(QPoint pixel, bool zoomIn);
    void previewDragged(QPoint from, QPoint to);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::optional<QPoint> previewPixel(QPointF position) const;
    const QImage& sharpKeyboard(int scale);
    QPoint clampedToPreview(QPointF position) const;

    QImage preview_;
    KeyboardWidget keyboard_;
    // The keyboard drawn at the screen's resolution, kept while its scale and keys stay.
    QImage sharpKeys_;
    std::vector<int> sharpNotes_;
    std::optional<QPoint> pressedOnPreview_;  // where a left press on the preview began
    QPoint dragTo_;
    bool dragging_ = false;
    int wheelAngle_ = 0;  // what the wheel turned short of a notch
};

}  // namespace halcyone
