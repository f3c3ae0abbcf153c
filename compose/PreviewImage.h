// The preview of the current view, the start-colour swatch, the coordinate read-outs and the
// palette of the view's 20 most frequent colours, as the window shows them. The pictures go to
// the window through the control seam; the window copies them when it paints.
#pragma once

#include "platform/ControlSeam.h"

namespace halcyone {

constexpr int startSwatchWidth = 40, startSwatchHeight = 20;
constexpr int channelSwatchWidth = 100, channelSwatchHeight = 15;
constexpr int paletteSwatchWidth = 100, paletteSwatchHeight = 15;

// Samples the current view into appState.previewBitmap and hands it to the window, puts the
// start-colour swatch on its button, writes the four read-outs, asks for a repaint and marks
// the palette stale.
void renderPreview();

// Recomputes appState.palette from the current view when the preview was rendered since the
// last time; otherwise does nothing. Callers call it before they read the palette.
void refreshPalette();

// The swatch of the current channel's colour, for the channel "Color" button.
ControlImage makeChannelSwatch();

}  // namespace halcyone
