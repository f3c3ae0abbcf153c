// How a compose tells its progress, and may be asked to stop.
#pragma once

namespace halcyone {

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

}  // namespace halcyone
