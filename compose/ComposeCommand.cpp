#include "compose/ComposeCommand.h"

#include "compose/AppState.h"
#include "compose/ComposeSettings.h"
#include "platform/ControlSeam.h"

namespace halcyone {

bool composeAll(ComposeProgress& progress, ComposeExecution execution) {
    const ComposeInputs inputs = readComposeInputs();
    enableControl(ControlId::Play, false);
    setControlPosition(ControlId::Progress, progressMin);
    setControlStep(ControlId::Progress, progressStep);
    SharedColumnScans shared;
    if (execution == ComposeExecution::Parallel) shared.plan(inputs);
    for (int k = 0; k < channelCount; ++k) {
        progress.channelStarted(k);
        Channel& channel = appState.channels[static_cast<std::size_t>(k)];
        if (composeChannel(channel, inputs, progress, execution, &shared) ==
            ComposeResult::Stopped) {
            enableControl(ControlId::Play, true);
            return false;
        }
    }
    setControlPosition(ControlId::Progress, progressMax);
    enableControl(ControlId::Play, true);
    appState.composed = 1;
    return true;
}

void discardComposition() {
    for (Channel& channel : appState.channels) clearChannelEvents(channel);
    appState.composed = 0;
    setControlPosition(ControlId::Progress, progressMin);
}

int progressStepsForBars(int barCount) {
    const int bars = scannedBarCount(barCount);
    return bars / progressEveryForBars(bars);
}

}  // namespace halcyone
