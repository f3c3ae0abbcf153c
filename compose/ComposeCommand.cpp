#include "compose/ComposeCommand.h"

#include "compose/AppState.h"
#include "compose/ComposeSettings.h"
#include "platform/ControlSeam.h"

namespace halcyone {

void composeAll(const std::function<void(int)>& beforeChannel, ComposeExecution execution) {
    sendToControl(ControlId::Play, ControlMessage::Enable, 0);
    sendToControl(ControlId::Progress, ControlMessage::SetPos, progressMin);
    sendToControl(ControlId::Progress, ControlMessage::SetStep, progressStep);
    for (int k = 0; k < channelCount; ++k) {
        if (beforeChannel) beforeChannel(k);
        composeChannel(appState.channels[static_cast<std::size_t>(k)], execution);
    }
    sendToControl(ControlId::Progress, ControlMessage::SetPos, progressMax);
    sendToControl(ControlId::Play, ControlMessage::Enable, 1);
    appState.composed = 1;
}

int progressStepsForBars(int barCount) {
    // The step interval depends on the bar count alone, whichever channel asks.
    const ScanSettings s = scanSettingsFor(appState.channels[0], barCount, appState.startColour);
    return s.barCount / s.progressEvery;
}

}  // namespace halcyone
