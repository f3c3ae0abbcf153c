// The composer: turns one channel's view of the Mandelbrot set into note events.
#pragma once

#include <vector>

#include "compose/Channel.h"
#include "fractal/ViewRect.h"
#include "compose/Limits.h"

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

// What a Compose reads from the window, once, on the thread that owns the controls, before any
// channel is composed: the composer itself never touches a control.
struct ComposeInputs {
    int barCount = barNumberStart;  // the "Bar Number" position, 1..999
    bool differentSet = false;      // "Different set for each channel"
};

ComposeInputs readComposeInputs();

// Told how a compose advances, on the composing thread.
class ComposeProgress {
public:
    virtual ~ComposeProgress() = default;
    // Compose begins channel `index` (0..4).
    virtual void channelStarted(int /*index*/) {}
    // The progress bar advances by one step (every few bars of a column scan).
    virtual void step() = 0;
    // After each block of samples: often enough for a window to repaint every few tens of
    // milliseconds whatever the set-up. Answering false stops the compose where it is.
    virtual bool pulse() { return true; }
};

// Steps the window's progress bar and never stops: what the command-line tool and tests use.
class ProgressBarSteps : public ComposeProgress {
public:
    void step() override;
};

struct ColumnMatchesTable;
struct ScanSettings;

// Whole-column scans that the channels looking for the same colour on the same grid share within
// one compose: the first of them to be composed keeps the matches of every column it scans, and
// the others, whatever their column mode, read them instead of sampling again.
class SharedColumnScans {
public:
    SharedColumnScans();
    ~SharedColumnScans();
    SharedColumnScans(const SharedColumnScans&) = delete;
    SharedColumnScans& operator=(const SharedColumnScans&) = delete;

    // Plans a table for each grid and colour that two or more of appState's channels that are
    // on scan by columns under `inputs`.
    void plan(const ComposeInputs& inputs);
    // The table of that grid and colour, or nullptr when no other channel shares it.
    ColumnMatchesTable* tableFor(const ViewRect& view, const ScanSettings& settings);

private:
    std::vector<ColumnMatchesTable> tables_;
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
