// Repeats what an arrow does while the mouse really holds it down: one step at the press, more
// after a delay, then at a steady rate. The release that ends a hold can be lost to the arrow
// (a menu or a modal dialog takes the mouse meanwhile, or Compose runs), so each repeat checks
// that the left button is still down and that nothing else has the input; when either fails the
// repeat ends for good, as though the arrow had been let go.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace halcyone {

class ArrowRepeat : public QObject {
    Q_OBJECT
public:
    // `stillOver` says whether the pointer is over the arrow that was pressed; repeats pause
    // while it is not.
    ArrowRepeat(QWidget* arrow, std::function<bool()> stillOver);

    void start();  // steps once at once, then repeats
    void stop();   // the arrow was let go
    bool isHeld() const { return held_; }

    // Whether input may reach `window` now: no pop-up open, no modal dialog over it, and no
    // Compose shutting the window to input.
    static bool inputReaches(const QWidget* window);

signals:
    void step();
    // The hold ended without a release reaching the arrow: the arrow should look released.
    void lost();

private:
    void repeat();

    QWidget* arrow_;
    std::function<bool()> stillOver_;
    QTimer timer_;
    bool held_ = false;
};

}  // namespace halcyone
