// A channel button: a flat checkable push button with its text at the left. It never draws a
// focus mark: the channel it selects is shown by its checked state, and a mark would suggest
// that the keys act on it.
#pragma once

#include <QPushButton>

namespace halcyone {

class ChannelButton : public QPushButton {
    Q_OBJECT
public:
    ChannelButton(const QString& caption, QWidget* parent);

    static constexpr int textIndent = 3;  // pixels between the button's edge and its text

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace halcyone
