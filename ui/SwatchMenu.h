// The pop-up menu of the palette's swatches that the channel "Color" button opens. A swatch is
// chosen with a click, or with the arrow keys and Return; the swatch under the pointer or the
// keyboard is highlighted, and the swatch of the channel's present colour carries a tick.
#pragma once

#include <QMenu>

#include "platform/DesktopServices.h"

namespace halcyone {

class SwatchMenu : public QMenu {
    Q_OBJECT
public:
    // `marked`: the item (from 1) that shows the channel's present colour, 0 for none.
    SwatchMenu(const SwatchColours& swatches, int marked, QWidget* owner);

    // Shows the menu horizontally centred on `centre`, its top edge there, and waits: the chosen
    // item from 1, or 0 when the menu was dismissed.
    int choose(QPoint centre);

    QWidget* item(int number) const;  // from 1
    int marked() const { return marked_; }

    // Items are the swatch with this margin around it and the tick's column on the left.
    static constexpr int itemMargin = 2;
    static constexpr int tickColumn = 14;

private:
    void take(int number);

    int marked_;
    int chosen_ = 0;
};

}  // namespace halcyone
