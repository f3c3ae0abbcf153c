// The composer: turns one channel's view of the Mandelbrot set into note events.
#pragma once

#include "compose/Channel.h"

namespace halcyone {

// How a compose takes its samples. Both give the same events and the same progress steps.
enum class ComposeExecution {
    Parallel,   // blocks of columns sampled on all cores through escapeCountBatch
    Reference,  // one thread, one escapeCount call per sample, stopping where the scan stops
};

// Builds the channel's keyboard pool, clears both event arrays and reads "Bar Number" into
// appState.barCount; then, unless the channel is off, scans its view into rawEvents (stepping
// the progress bar every few bars) and joins repeated notes into events. Returns 0 when the
// channel is off, 1 when it composed. Reads the controls through the control seam and must be
// called on the thread that owns them. Not reentrant (static working buffers); allocates nothing.
int composeChannel(Channel& channel, ComposeExecution execution = ComposeExecution::Parallel);

// Copies the first rawCount raw events into events, merging a note into the one before it when
// "All notes" is off and it repeats that note within the same bar (not on a bar line): the
// merged note keeps the first note's velocity and controllers and takes the sum of the lengths.
// Expects events cleared.
void joinRepeatedNotes(Channel& channel, int rawCount);

}  // namespace halcyone
