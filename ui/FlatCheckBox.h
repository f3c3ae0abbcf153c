// A flat check box without text: a plain box with a one-pixel frame, as dialogs draw a check box
// of the flat style; a click anywhere on it toggles it.
#pragma once

#include <QCheckBox>

namespace halcyone {

class FlatCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit FlatCheckBox(QWidget* parent);

    static constexpr int boxSize = 13;
    QRect boxArea() const;  // inside the widget, whatever its size

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};

}  // namespace halcyone
