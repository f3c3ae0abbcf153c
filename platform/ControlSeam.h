// The control seam: every read or write of a main-window control goes through sendToControl.
// The owner of the controls (the Qt window, or an in-memory panel in the command-line tool and
// the tests) installs itself as the ControlHost. The typed helpers below are what the program
// calls; they say what travels in the two parameters.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "fractal/Colour.h"
#include "platform/ControlIds.h"

namespace halcyone {

// The messages the program sends to controls. Parameters are (wParam, lParam); the answer is
// a 32-bit value. Texts travel as `const char*` (UTF-8) in lParam.
enum class ControlMessage : int {
    GetCheck,          // -> 0 or 1
    SetCheck,          // wParam: 0 or 1
    SetBuddy,          // up-down: wParam the ControlId of the edit that shows its position
    SetRange,          // up-down or progress bar: wParam min, lParam max
    GetPos,            // up-down: position, after taking up the buddy's text when that is a
                       // whole number in range; progress bar: position
    SetPos,            // up-down or progress bar: wParam position (clamped to the range); an
                       // up-down writes it into its buddy
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
    GetText,           // any control: wParam buffer size, lParam `char*` buffer -> length copied
    SetImage,          // bitmap button, or the window's preview: lParam `const ControlImage*`
    ShowKeys,          // the window's keyboard: lParam `const KeySelection*`
    Enable,            // wParam: 0 disables, 1 enables
    Invalidate,        // the window: repaint everything
};

// The kind of control a message is for, so that every host divides its work alike.
enum class ControlMessageKind { Check, Range, List, Other };

constexpr ControlMessageKind kindOf(ControlMessage message) {
    switch (message) {
        case ControlMessage::GetCheck:
        case ControlMessage::SetCheck:
            return ControlMessageKind::Check;
        case ControlMessage::SetBuddy:
        case ControlMessage::SetRange:
        case ControlMessage::GetPos:
        case ControlMessage::SetPos:
        case ControlMessage::SetStep:
        case ControlMessage::StepIt:
            return ControlMessageKind::Range;
        case ControlMessage::AddString:
        case ControlMessage::ResetContent:
        case ControlMessage::GetCount:
        case ControlMessage::GetSelection:
        case ControlMessage::SetSelection:
        case ControlMessage::SetItemData:
        case ControlMessage::GetItemData:
            return ControlMessageKind::List;
        default:
            return ControlMessageKind::Other;
    }
}

// What an image message carries: a solid swatch of `fill`, or, when `pixels` is set, an image of
// width x height colours, row by row. The host copies what it keeps before it answers.
struct ControlImage {
    int width = 0;
    int height = 0;
    Colour fill = black;
    const Colour* pixels = nullptr;
};

// One flag per MIDI note: the keys marked on the piano keyboard.
constexpr int keySelectionSize = 128;
using KeySelection = std::array<std::uint8_t, keySelectionSize>;

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

// Typed forms of the messages above.
int controlCheck(ControlId id);  // 0 or 1
void setControlCheck(ControlId id, bool checked);
int controlPosition(ControlId id);
void setControlPosition(ControlId id, int position);
void setControlRange(ControlId id, int low, int high);
void setControlBuddy(ControlId upDown, ControlId edit);
void setControlStep(ControlId progressBar, int step);
void stepControl(ControlId progressBar);
int controlSelection(ControlId id);  // -1 when no entry is selected
void setControlSelection(ControlId id, int entry);
int addControlEntry(ControlId id, const std::string& text);
void clearControlEntries(ControlId id);
void setControlItemData(ControlId id, int entry, std::intptr_t data);
std::intptr_t controlItemData(ControlId id, int entry);
void setControlText(ControlId id, const std::string& text);
std::string controlText(ControlId id);
void setControlImage(ControlId id, const ControlImage& image);
void enableControl(ControlId id, bool enabled);
void showWindowKeys(const KeySelection& keys);
void invalidateWindow();

// 1 when "Different set for each channel" is checked, else 0. Read from the control each time.
int differentSetChecked();

}  // namespace halcyone
