// The Compose command: every channel composed in order, framed by the progress bar and the
// "Play" button, as the window and the command-line tool run it.
#pragma once

#include "compose/Composer.h"

namespace halcyone {

// Reads the Compose inputs from the controls, disables "Play", resets the progress bar, composes
// channels 1 to 5 in order, fills the bar, enables "Play" and marks the composition as present.
// When a pulse of `progress` asks to stop, the channels after the current one are left alone,
// the bar keeps its position, "Play" is enabled again and false is returned.
bool composeAll(ComposeProgress& progress, ComposeExecution execution = ComposeExecution::Parallel);

// What a stopped Compose leaves: no composition. Every channel's notes are cleared, the piece
// counts as not composed (so neither Play nor "Save midi file..." can take a half-composed
// channel for a whole one) and the progress bar is emptied.
void discardComposition();

// How many times one channel's compose steps the progress bar for `barCount` bars.
int progressStepsForBars(int barCount);

}  // namespace halcyone
