// The control seam: every read or write of a main-window control goes through sendToControl.
// The owner of the controls (the Qt window, or an in-memory panel in the command-line tool and
// the tests) installs itself as the ControlHost.
#pragma once

#include <cstdint>

#include "platform/ControlIds.h"

namespace halcyone {

// The messages the program sends to controls. Parameters are (wParam, lParam); the answer is
// a 32-bit value. Texts travel as `const char*` (UTF-8) in lParam.
enum class ControlMessage : int {
    GetCheck,          // -> 0 or 1
    SetCheck,          // wParam: 0 or 1
    SetRange,          // up-down or progress bar: wParam min, lParam max
    GetPos,            // up-down: position, after taking up typed text; progress bar: position
    SetPos,            // up-down or progress bar: wParam position (clamped to the range)
    SetStep,           // progress bar: wParam step
    StepIt,            // progress bar: advance by the step, wrapping past the maximum
    AddString,         // list: lParam text -> index of the new entry
    ResetContent,      // list: remove every entry
    GetCount,          // list: -> number of entries
    GetSelection,      // list: -> selected entry, or -1
    SetSelection,      // list: wParam entry, -1 for none
    SetItemData,       // list: wParam entry, lParam data
    GetItemData,       // list: wParam entry -> data, or -1
    SetText,           // any control: lParam text
    SetImage,          // bitmap button: lParam an opaque image handle of the host
    Enable,            // wParam: 0 disables, 1 enables
    Invalidate,        // window: repaint everything
};

class ControlHost {
public:
    virtual ~ControlHost() = default;
    virtual std::int32_t handle(ControlId id, ControlMessage message, std::intptr_t wParam,
                                std::intptr_t lParam) = 0;
};

// Installs the host that receives every control message (nullptr uninstalls). Not thread-safe:
// the thread that owns the controls installs it and sends all messages.
void installControlHost(ControlHost* host);
ControlHost* controlHost();

// Sends one message to the control `id`. Answers 0 when no host is installed.
std::int32_t sendToControl(ControlId id, ControlMessage message, std::intptr_t wParam = 0,
                           std::intptr_t lParam = 0);

// 1 when "Different set for each channel" is checked, else 0. Read from the control each time.
int differentSetChecked();

}  // namespace halcyone
