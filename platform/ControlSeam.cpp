#include "platform/ControlSeam.h"

namespace halcyone {

namespace {
ControlHost* installedHost = nullptr;
}

void installControlHost(ControlHost* host) { installedHost = host; }

ControlHost* controlHost() { return installedHost; }

std::int32_t sendToControl(ControlId id, ControlMessage message, std::intptr_t wParam,
                           std::intptr_t lParam) {
    return installedHost ? installedHost->handle(id, message, wParam, lParam) : 0;
}

int differentSetChecked() {
    return sendToControl(ControlId::DifferentSet, ControlMessage::GetCheck) != 0 ? 1 : 0;
}

}  // namespace halcyone
