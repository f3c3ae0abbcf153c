#include "ui/PictureButton.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <qdrawutil.h>

namespace halcyone {

PictureButton::PictureButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAccessibleName(caption);
}

void PictureButton::setPicture(const QImage& picture) {
    setText(QString());
    setIcon(QIcon(QPixmap::fromImage(picture)));
    setIconSize(picture.size());
}

void PictureButton::setSunkenEdge(bool sunken) {
    sunken_ = sunken;
    update();
}

void PictureButton::paintEvent(QPaintEvent* event) {
    if (!sunken_) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.rect = rect().adjusted(sunkenEdgeWidth, sunkenEdgeWidth, -sunkenEdgeWidth, -sunkenEdgeWidth);
    painter.drawControl(QStyle::CE_PushButton, option);
    qDrawWinPanel(&painter, rect(), palette(), true);
}

}  // namespace halcyone
