#include "compose/AppState.h"

#include "platform/ControlSeam.h"

namespace halcyone {

AppState appState;

AppState::AppState()
    : currentChannel(channels.data()),
      sharedView(),
      startColour(black),
      palette{},
      barCount(0),
      composed(0),
      paletteDirty(false),
      customColours{} {}

ViewRect& currentView() {
    return differentSetChecked() ? appState.currentChannel->view : appState.sharedView;
}

void resetAppState() {
    for (Channel& channel : appState.channels) {
        clearChannelEvents(channel);
        channel.applyDefaults();
    }
    appState.currentChannel = appState.channels.data();
    appState.sharedView = ViewRect{};
    appState.startColour = black;
    appState.palette.fill(black);
    appState.barCount = 0;
    appState.composed = 0;
    if (!appState.previewBitmapBlack) appState.previewBitmap.fill(black);
    appState.previewBitmapBlack = true;
    appState.paletteDirty = false;
    appState.customColours.fill(black);
}

}  // namespace halcyone
