#include "platform/MemoryControlPanel.h"

#include <algorithm>

namespace halcyone {

namespace {
void setRange(MemoryControlPanel::Control& c, int lo, int hi, int pos) {
    c.rangeMin = lo;
    c.rangeMax = hi;
    c.pos = pos;
}
}  // namespace

MemoryControlPanel::MemoryControlPanel() {
    setRange(controls_[ControlId::BarNumber], barNumberMin, barNumberMax, barNumberStart);
    setRange(controls_[ControlId::Tempo], tempoMin, tempoMax, tempoStart);
    setRange(controls_[ControlId::SlideSpeed], slideSpeedMin, slideSpeedMax, slideSpeedStart);
    auto& progress = controls_[ControlId::Progress];
    setRange(progress, progressMin, progressMax, progressMin);
    progress.step = progressStep;
}

const MemoryControlPanel::Control& MemoryControlPanel::control(ControlId id) const {
    static const Control untouched;
    auto it = controls_.find(id);
    return it == controls_.end() ? untouched : it->second;
}

int MemoryControlPanel::count(ControlId id, ControlMessage message) const {
    auto it = counts_.find({id, message});
    return it == counts_.end() ? 0 : it->second;
}

std::int32_t MemoryControlPanel::handle(ControlId id, ControlMessage message, std::intptr_t w,
                                        std::intptr_t l) {
    ++counts_[{id, message}];
    Control& c = controls_[id];
    const auto text = [l] { return std::string(l ? reinterpret_cast<const char*>(l) : ""); };
    const auto validEntry = [&c](std::intptr_t i) {
        return i >= 0 && static_cast<std::size_t>(i) < c.items.size();
    };
    switch (message) {
        case ControlMessage::GetCheck:
            return c.check;
        case ControlMessage::SetCheck:
            c.check = w != 0 ? 1 : 0;
            return 0;
        case ControlMessage::SetRange:
            c.rangeMin = static_cast<int>(w);
            c.rangeMax = static_cast<int>(l);
            c.pos = std::clamp(c.pos, c.rangeMin, std::max(c.rangeMin, c.rangeMax));
            return 0;
        case ControlMessage::GetPos:
            return c.pos;
        case ControlMessage::SetPos: {
            const int previous = c.pos;
            c.pos = std::clamp(static_cast<int>(w), c.rangeMin, std::max(c.rangeMin, c.rangeMax));
            return previous;
        }
        case ControlMessage::SetStep:
            c.step = static_cast<int>(w);
            return 0;
        case ControlMessage::StepIt: {
            // Like a native progress bar: past the maximum it starts over from the minimum.
            const int previous = c.pos;
            const int span = c.rangeMax - c.rangeMin;
            c.pos += c.step;
            if (span > 0 && c.pos > c.rangeMax) c.pos = c.rangeMin + (c.pos - c.rangeMin) % span;
            return previous;
        }
        case ControlMessage::AddString:
            c.items.push_back(text());
            c.itemData.push_back(0);
            return static_cast<std::int32_t>(c.items.size() - 1);
        case ControlMessage::ResetContent:
            c.items.clear();
            c.itemData.clear();
            c.selection = -1;
            return 0;
        case ControlMessage::GetCount:
            return static_cast<std::int32_t>(c.items.size());
        case ControlMessage::GetSelection:
            return c.selection;
        case ControlMessage::SetSelection:
            c.selection = validEntry(w) ? static_cast<int>(w) : -1;
            return c.selection;
        case ControlMessage::SetItemData:
            if (!validEntry(w)) return -1;
            c.itemData[static_cast<std::size_t>(w)] = l;
            return 0;
        case ControlMessage::GetItemData:
            return validEntry(w) ? static_cast<std::int32_t>(c.itemData[static_cast<std::size_t>(w)])
                                 : -1;
        case ControlMessage::SetText:
            c.text = text();
            return 1;
        case ControlMessage::SetImage:
            c.image = l;
            return 0;
        case ControlMessage::Enable:
            c.enabled = w != 0;
            return 0;
        case ControlMessage::Invalidate:
            return 0;
    }
    return 0;
}

}  // namespace halcyone
