#include "platform/ControlSeam.h"

#include <algorithm>
#include <vector>

namespace halcyone {

namespace {
ControlHost* installedHost = nullptr;

// The longest text a control is asked for; longer texts come back cut.
constexpr std::size_t controlTextLimit = 4096;

std::intptr_t pointerParam(const void* p) { return reinterpret_cast<std::intptr_t>(p); }
}  // namespace

void installControlHost(ControlHost* host) { installedHost = host; }

ControlHost* controlHost() { return installedHost; }

std::int32_t sendToControl(ControlId id, ControlMessage message, std::intptr_t wParam,
                           std::intptr_t lParam) {
    return installedHost ? installedHost->handle(id, message, wParam, lParam) : 0;
}

int controlCheck(ControlId id) {
    return sendToControl(id, ControlMessage::GetCheck) != 0 ? 1 : 0;
}

void setControlCheck(ControlId id, bool checked) {
    sendToControl(id, ControlMessage::SetCheck, checked ? 1 : 0);
}

int controlPosition(ControlId id) { return sendToControl(id, ControlMessage::GetPos); }

void setControlPosition(ControlId id, int position) {
    sendToControl(id, ControlMessage::SetPos, position);
}

void setControlRange(ControlId id, int low, int high) {
    sendToControl(id, ControlMessage::SetRange, low, high);
}

void setControlBuddy(ControlId upDown, ControlId edit) {
    sendToControl(upDown, ControlMessage::SetBuddy, static_cast<std::intptr_t>(edit));
}

void setControlStep(ControlId progressBar, int step) {
    sendToControl(progressBar, ControlMessage::SetStep, step);
}

void stepControl(ControlId progressBar) { sendToControl(progressBar, ControlMessage::StepIt); }

int controlSelection(ControlId id) {
    // Without a host nothing is selected.
    return installedHost ? sendToControl(id, ControlMessage::GetSelection) : -1;
}

void setControlSelection(ControlId id, int entry) {
    sendToControl(id, ControlMessage::SetSelection, entry);
}

int addControlEntry(ControlId id, const std::string& text) {
    return sendToControl(id, ControlMessage::AddString, 0, pointerParam(text.c_str()));
}

void clearControlEntries(ControlId id) { sendToControl(id, ControlMessage::ResetContent); }

void setControlItemData(ControlId id, int entry, std::intptr_t data) {
    sendToControl(id, ControlMessage::SetItemData, entry, data);
}

std::intptr_t controlItemData(ControlId id, int entry) {
    return installedHost ? sendToControl(id, ControlMessage::GetItemData, entry) : -1;
}

void setControlText(ControlId id, const std::string& text) {
    sendToControl(id, ControlMessage::SetText, 0, pointerParam(text.c_str()));
}

std::string controlText(ControlId id) {
    std::vector<char> buffer(controlTextLimit, '\0');
    const std::int32_t length = sendToControl(id, ControlMessage::GetText,
                                              static_cast<std::intptr_t>(buffer.size()),
                                              pointerParam(buffer.data()));
    if (length <= 0) return {};
    return std::string(buffer.data(), std::min<std::size_t>(length, buffer.size() - 1));
}

void setControlImage(ControlId id, const ControlImage& image) {
    sendToControl(id, ControlMessage::SetImage, 0, pointerParam(&image));
}

void enableControl(ControlId id, bool enabled) {
    sendToControl(id, ControlMessage::Enable, enabled ? 1 : 0);
}

void showWindowKeys(const KeySelection& keys) {
    sendToControl(ControlId::MainWindow, ControlMessage::ShowKeys, 0, pointerParam(&keys));
}

void invalidateWindow() { sendToControl(ControlId::MainWindow, ControlMessage::Invalidate); }

int differentSetChecked() { return controlCheck(ControlId::DifferentSet); }

}  // namespace halcyone
