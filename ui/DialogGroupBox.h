// A group box drawn as a dialog draws one: an etched frame inside the group's rectangle whose
// top line runs through the middle of the caption, so that the frame stays clear of the controls
// laid out inside it.
#pragma once

#include <QGroupBox>

namespace halcyone {

class DialogGroupBox : public QGroupBox {
    Q_OBJECT
public:
    DialogGroupBox(const QString& caption, QWidget* parent);

    QRect frameArea() const;    // the outer edge of the frame
    QRect captionArea() const;  // where the caption is written

    static constexpr int captionIndent = 6;  // from the left edge, about one average character
    static constexpr int captionGap = 2;     // clear space either side of the caption

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace halcyone
