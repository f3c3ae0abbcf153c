// What a Compose reads from the window, and which view a channel is composed from.
#pragma once

#include "compose/Channel.h"
#include "compose/Limits.h"
#include "fractal/ViewRect.h"

namespace halcyone {

// What a Compose reads from the window, once, on the thread that owns the controls, before any
// channel is composed: the composer itself never touches a control.
struct ComposeInputs {
    int barCount = barNumberStart;  // the "Bar Number" position, 1..999
    bool differentSet = false;      // "Different set for each channel"
};

ComposeInputs readComposeInputs();

// The view a channel is composed from: its own with "Different set for each channel", else the
// shared one.
ViewRect composedView(const Channel& channel, const ComposeInputs& inputs);

}  // namespace halcyone
