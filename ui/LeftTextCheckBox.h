// A check box with its text at the left edge and the box at the right edge; a click anywhere on
// it toggles it.
#pragma once

#include <QCheckBox>

namespace halcyone {

class LeftTextCheckBox : public QCheckBox {
    Q_OBJECT
public:
    LeftTextCheckBox(const QString& text, QWidget* parent);

    // Where the text is drawn: everything left of the box.
    QRect textArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    QRect boxArea() const;
};

}  // namespace halcyone
