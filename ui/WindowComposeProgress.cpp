#include "ui/WindowComposeProgress.h"

#include <QCoreApplication>

namespace halcyone {

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
