// The Compose command: every channel composed in order, framed by the progress bar and the
// "Play" button, as the window and the command-line tool run it.
#pragma once

#include <functional>

#include "compose/Composer.h"

namespace halcyone {

// Disables "Play", resets the progress bar, composes channels 1 to 5 in order, fills the bar,
// enables "Play" and marks the composition as present. `beforeChannel` (may be empty) is told
// the index of each channel before it is composed.
void composeAll(const std::function<void(int channelIndex)>& beforeChannel = {},
                ComposeExecution execution = ComposeExecution::Parallel);

// How many times one channel's compose steps the progress bar for `barCount` bars.
int progressStepsForBars(int barCount);

}  // namespace halcyone
