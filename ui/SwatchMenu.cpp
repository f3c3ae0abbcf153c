#include "ui/SwatchMenu.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidgetAction>

#include "compose/PreviewImage.h"
#include "ui/QtColour.h"

namespace halcyone {

namespace {

// One item: the swatch, highlighted while it is the menu's active item (under the pointer, or
// reached with the arrow keys). A click on it chooses it; the menu's own keyboard handling
// chooses it with Return.
class SwatchItem : public QWidget {
public:
    SwatchItem(Colour colour, bool marked, QAction* action, std::function<void()> chosen)
        : colour_(colour), marked_(marked), action_(action), chosen_(std::move(chosen)) {
        setFixedSize(SwatchMenu::tickColumn + paletteSwatchWidth + 2 * SwatchMenu::itemMargin,
                     paletteSwatchHeight + 2 * SwatchMenu::itemMargin);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const auto* menu = qobject_cast<QMenu*>(parentWidget());
        const bool highlighted = menu && menu->activeAction() == action_;
        if (highlighted) painter.fillRect(rect(), palette().highlight());
        const int left = SwatchMenu::tickColumn + SwatchMenu::itemMargin;
        painter.fillRect(left, SwatchMenu::itemMargin, paletteSwatchWidth, paletteSwatchHeight,
                         qColour(colour_));
        if (marked_) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(palette().color(highlighted ? QPalette::HighlightedText : QPalette::WindowText), 1.6));
            const double y = height() / 2.0;
            const QPointF tick[] = {{3.0, y}, {5.5, y + 3.0}, {10.5, y - 3.5}};
            painter.drawPolyline(tick, 3);
        }
    }
    // The pointer makes its item the menu's active one, so that one highlight serves the mouse
    // and the keyboard alike.
    void enterEvent(QEnterEvent*) override {
        if (auto* menu = qobject_cast<QMenu*>(parentWidget())) menu->setActiveAction(action_);
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) chosen_();
    }

private:
    Colour colour_;
    bool marked_;
    QAction* action_;
    std::function<void()> chosen_;
};

}  // namespace

SwatchMenu::SwatchMenu(const SwatchColours& swatches, int marked, QWidget* owner)
    : QMenu(owner), marked_(marked) {
    for (std::size_t i = 0; i < swatches.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        auto* action = new QWidgetAction(this);
        action->setDefaultWidget(
            new SwatchItem(swatches[i], number == marked, action, [this, number] { take(number); }));
        action->setData(number);
        connect(action, &QAction::triggered, this, [this, number] { chosen_ = number; });
        addAction(action);
    }
    // The keyboard moves the active item without the pointer: every item repaints its highlight.
    connect(this, &QMenu::hovered, this, [this] {
        for (QAction* action : actions())
            if (auto* widgetAction = qobject_cast<QWidgetAction*>(action))
                widgetAction->defaultWidget()->update();
    });
}

QWidget* SwatchMenu::item(int number) const {
    const QList<QAction*> all = actions();
    if (number < 1 || number > all.size()) return nullptr;
    auto* action = qobject_cast<QWidgetAction*>(all[number - 1]);
    return action ? action->defaultWidget() : nullptr;
}

void SwatchMenu::take(int number) {
    chosen_ = number;
    close();
}

int SwatchMenu::choose(QPoint centre) {
    chosen_ = 0;
    exec(QPoint(centre.x() - sizeHint().width() / 2, centre.y()));
    return chosen_;
}

}  // namespace halcyone
