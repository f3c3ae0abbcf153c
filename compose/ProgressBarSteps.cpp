#include "compose/ProgressBarSteps.h"

#include "platform/ControlSeam.h"

namespace halcyone {

void ProgressBarSteps::step() { stepControl(ControlId::Progress); }

}  // namespace halcyone
