#include "ui/InputGate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace halcyone {

namespace {

int gatesInPlace = 0;

// Input that starts something. Releases (of keys, buttons, touches and pens) end what was
// started before the gate closed, and always pass.
bool startsSomething(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputGate::InputGate(bool& stopRequested) : stopRequested_(stopRequested) {
    QCoreApplication::instance()->installEventFilter(this);
    ++gatesInPlace;
}

InputGate::~InputGate() {
    --gatesInPlace;
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputGate::isClosed() { return gatesInPlace > 0; }

void InputGate::drain() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        stopRequested_ = true;
    if (startsSomething(event->type())) return true;
    return QObject::eventFilter(watched, event);
}

}  // namespace halcyone
