#include "ui/InputGate.h"

#include <QCoreApplication>
#include <QEvent>

namespace halcyone {

namespace {

constexpr int repaintIntervalMs = 30;

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputGate::InputGate() { QCoreApplication::instance()->installEventFilter(this); }

InputGate::~InputGate() { QCoreApplication::instance()->removeEventFilter(this); }

void InputGate::drain() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
    if (isUserInput(event->type())) return true;
    return QObject::eventFilter(watched, event);
}

WindowComposeProgress::WindowComposeProgress(const bool& stopRequested)
    : stopRequested_(stopRequested) {
    sinceRepaint_.start();
}

bool WindowComposeProgress::pulse() {
    if (sinceRepaint_.elapsed() >= repaintIntervalMs) {
        QCoreApplication::processEvents();
        sinceRepaint_.restart();
    }
    return !stopRequested_;
}

}  // namespace halcyone
