// The plain progress of a compose: the window's progress bar, stepped through the control seam.
#pragma once

#include "compose/ComposeProgress.h"

namespace halcyone {

// Steps the window's progress bar and never stops: what the command-line tool and tests use.
class ProgressBarSteps : public ComposeProgress {
public:
    void step() override;
};

}  // namespace halcyone
