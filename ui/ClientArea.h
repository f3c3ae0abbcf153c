// The window's client area: the controls sit on it, and it paints the two pictures that are
// not controls, the preview with its frame and the piano keyboard.
#pragma once

#include <QImage>
#include <QWidget>

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

signals:
    void leftButtonDown(QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage preview_;
    KeyboardWidget keyboard_;
};

}  // namespace halcyone
