// A push button that shows a picture instead of its caption once it has one, optionally inside
// a sunken edge two pixels wide (a dialog's "client edge").
#pragma once

#include <QPushButton>

namespace halcyone {

class PictureButton : public QPushButton {
    Q_OBJECT
public:
    PictureButton(const QString& caption, QWidget* parent);
    void setPicture(const QImage& picture);
    void setSunkenEdge(bool sunken);

    static constexpr int sunkenEdgeWidth = 2;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool sunken_ = false;
};

}  // namespace halcyone
