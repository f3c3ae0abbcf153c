// The composer: turns one channel's view of the Mandelbrot set into note events.
#pragma once

#include "compose/Channel.h"
#include "compose/ComposeInputs.h"
#include "compose/ComposeProgress.h"
#include "compose/ProgressBarSteps.h"
#include "compose/SharedColumnScans.h"

namespace halcyone {

// How a compose takes its samples. Both give the same events and the same progress steps.
enum class ComposeExecution {
    // Blocks of columns sampled on all cores through the batch routines, each row iterated only
    // as far as can still change a note.
    Parallel,
    // The same with every count in full: to compare the cut-off with.
    ParallelFullCounts,
    // One thread, one escapeCount call per sample, stopping where the scan stops.
    Reference,
};

enum class ComposeResult {
    Off,        // the channel is off: its arrays are left empty
    Composed,   // rawEvents holds the scan and events the joined notes
    Stopped,    // a pulse asked to stop: the arrays hold what was composed until then
};

// Builds the channel's keyboard pool, clears both event arrays and sets appState.barCount from
// `inputs`; then, unless the channel is off, scans its view into rawEvents (stepping `progress`
// every few bars) and joins repeated notes into events. The parallel execution shares column
// scans through `shared` when given one planned for the same inputs. Not reentrant (static
// working buffers); allocates nothing.
ComposeResult composeChannel(Channel& channel, const ComposeInputs& inputs,
                             ComposeProgress& progress,
                             ComposeExecution execution = ComposeExecution::Parallel,
                             SharedColumnScans* shared = nullptr);

// Copies the first rawCount raw events into events, merging a note into the one before it when
// "All notes" is off and it repeats that note within the same bar (not on a bar line): the
// merged note keeps the first note's velocity and controllers and takes the sum of the lengths.
// Expects events cleared.
void joinRepeatedNotes(Channel& channel, int rawCount);

}  // namespace halcyone
