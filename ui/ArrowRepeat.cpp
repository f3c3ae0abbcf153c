#include "ui/ArrowRepeat.h"

#include <QApplication>
#include <QWidget>

#include "ui/InputGate.h"

namespace halcyone {

namespace {
constexpr int repeatDelayMs = 400;  // before an arrow held down starts repeating
constexpr int repeatIntervalMs = 60;
}  // namespace

ArrowRepeat::ArrowRepeat(QWidget* arrow, std::function<bool()> stillOver)
    : QObject(arrow), arrow_(arrow), stillOver_(std::move(stillOver)) {
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, &ArrowRepeat::repeat);
}

bool ArrowRepeat::inputReaches(const QWidget* window) {
    if (QApplication::activePopupWidget() != nullptr || InputGate::isClosed()) return false;
    const QWidget* modal = QApplication::activeModalWidget();
    return modal == nullptr || modal == window;
}

void ArrowRepeat::start() {
    held_ = true;
    timer_.start(repeatDelayMs);
    emit step();
}

void ArrowRepeat::stop() {
    held_ = false;
    timer_.stop();
}

void ArrowRepeat::repeat() {
    timer_.setInterval(repeatIntervalMs);
    const bool leftDown = QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    if (!leftDown || !inputReaches(arrow_->window())) {
        stop();
        emit lost();
        return;
    }
    if (stillOver_()) emit step();
}

}  // namespace halcyone
