// Compose's progress in the window: steps the progress bar, and on pulses lets the window
// repaint (at most every repaintIntervalMs) and hear its close box and Escape.
#pragma once

#include <QElapsedTimer>

#include "compose/Composer.h"

namespace halcyone {

class WindowComposeProgress : public ProgressBarSteps {
public:
    // `stopRequested` is read after each repaint: once set, the compose stops.
    explicit WindowComposeProgress(const bool& stopRequested);
    bool pulse() override;

    static constexpr int repaintIntervalMs = 30;

private:
    const bool& stopRequested_;
    QElapsedTimer sinceRepaint_;
};

}  // namespace halcyone
