// A scroll bar whose arrows alone act: a press on either arrow reports a line step, repeated
// while the arrow is held; the page areas and the thumb do nothing.
#pragma once

#include <QWidget>

namespace halcyone {

class ArrowRepeat;

class ArrowBar : public QWidget {
    Q_OBJECT
public:
    ArrowBar(Qt::Orientation orientation, QWidget* parent);

    // The point at the middle of one arrow: the upper (left) one when `back`.
    QPoint arrowCentre(bool back) const;

signals:
    void lineBack();     // up or left
    void lineForward();  // down or right

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum class Arrow { None, Back, Forward };
    Arrow arrowAt(const QPoint& point) const;
    void release();

    Qt::Orientation orientation_;
    Arrow pressed_ = Arrow::None;
    bool pointerOnPressed_ = false;  // the pointer is over the arrow that was pressed
    ArrowRepeat* repeat_ = nullptr;
};

}  // namespace halcyone
