#include "compose/PreviewImage.h"

#include "compose/AppState.h"
#include "fractal/PreviewGrid.h"

namespace halcyone {

namespace {
// Sampled into once per call on the thread that owns the controls; too big for the stack.
PreviewCounts previewCounts;

ControlImage swatch(Colour colour, int width, int height) {
    return ControlImage{width, height, colour, nullptr};
}
}  // namespace

void renderPreview() {
    const ViewRect view = currentView();
    samplePreview(view, previewCounts);
    previewColours(previewCounts, appState.startColour, appState.previewBitmap);
    appState.previewBitmapBlack = false;
    setControlImage(ControlId::MainWindow, ControlImage{previewSize, previewSize, black,
                                                        appState.previewBitmap.data()});
    setControlImage(ControlId::StartColour,
                    swatch(appState.startColour, startSwatchWidth, startSwatchHeight));
    setControlText(ControlId::ReadoutX1, formatCoordinate(view.X1));
    setControlText(ControlId::ReadoutY1, formatCoordinate(view.Y1));
    setControlText(ControlId::ReadoutX2, formatCoordinate(view.X2));
    setControlText(ControlId::ReadoutY2, formatCoordinate(view.Y2));
    invalidateWindow();
    appState.paletteDirty = true;
}

void refreshPalette() {
    if (!appState.paletteDirty) return;
    // Sampled afresh from the current view, not read back from the picture.
    samplePreview(currentView(), previewCounts);
    appState.palette = paletteFromHistogram(countHistogram(previewCounts), appState.startColour);
    appState.paletteDirty = false;
}

ControlImage makeChannelSwatch() {
    return swatch(appState.currentChannel->colour, channelSwatchWidth, channelSwatchHeight);
}

}  // namespace halcyone
