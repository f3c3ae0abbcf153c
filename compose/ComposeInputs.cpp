#include "compose/ComposeInputs.h"

#include "compose/AppState.h"
#include "platform/ControlSeam.h"

namespace halcyone {

ComposeInputs readComposeInputs() {
    ComposeInputs inputs;
    inputs.barCount = controlPosition(ControlId::BarNumber);
    inputs.differentSet = differentSetChecked() != 0;
    return inputs;
}

ViewRect composedView(const Channel& channel, const ComposeInputs& inputs) {
    return inputs.differentSet ? channel.view : appState.sharedView;
}

}  // namespace halcyone
