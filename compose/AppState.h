// The process-wide state: five channels, the shared view, the colours and the facts of the last
// composition. One instance in static storage for the life of the process; never copied.
#pragma once

#include <array>
#include <cstdint>

#include "compose/Channel.h"
#include "fractal/Colour.h"
#include "fractal/PreviewGrid.h"
#include "fractal/ViewRect.h"
#include "platform/DesktopServices.h"

namespace halcyone {

constexpr Colour defaultStartColour = makeColour(200, 100, 50);

struct AppState {
    AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    std::array<Channel, channelCount> channels;
    Channel* currentChannel;  // one of `channels`
    ViewRect sharedView;
    Colour startColour;  // set to defaultStartColour when the program initialises
    Palette palette;
    std::int32_t barCount;
    std::int32_t composed;
    // The last rendered preview, row by row. Left to the zero-filled static storage at start.
    PreviewColours previewBitmap;
    // Nothing has been drawn into previewBitmap since it was last all black. Resetting skips
    // the fill then: on a fresh process it would only fault in 160 KB of pages that read as 0.
    bool previewBitmapBlack = true;
    bool paletteDirty;  // the palette no longer describes the last rendered preview
    CustomColours customColours;  // of the "Start color" chooser; kept until the program ends

    int currentChannelIndex() const { return static_cast<int>(currentChannel - channels.data()); }
};

extern AppState appState;

// The view that navigation and the preview act on: the current channel's own view while
// "Different set for each channel" is checked, the shared view otherwise.
ViewRect& currentView();

// Puts every channel and global value back to its start-up state (for tests and the tools).
void resetAppState();

}  // namespace halcyone
