#include "platform/MemoryControlPanel.h"

#include <algorithm>


namespace halcyone {

const MemoryControlPanel::Control& MemoryControlPanel::control(ControlId id) const {
    static const Control untouched;
    auto it = controls_.find(id);
    return it == controls_.end() ? untouched : it->second;
}

int MemoryControlPanel::count(ControlId id, ControlMessage message) const {
    auto it = counts_.find({id, message});
    return it == counts_.end() ? 0 : it->second;
}

int MemoryControlPanel::takeUpBuddyText(Control& upDown) {
    if (upDown.buddy == ControlId::MainWindow) return upDown.pos;
    if (const auto typed = typedPosition(controls_[upDown.buddy].text, upDown.range)) upDown.pos = *typed;
    return upDown.pos;
}

void MemoryControlPanel::showInBuddy(const Control& upDown) {
    if (upDown.buddy != ControlId::MainWindow)
        controls_[upDown.buddy].text = std::to_string(upDown.pos);
}

std::int32_t MemoryControlPanel::handle(ControlId id, ControlMessage message, std::intptr_t w,
                                        std::intptr_t l) {
    ++counts_[{id, message}];
    Control& c = controls_[id];
    switch (kindOf(message)) {
        case ControlMessageKind::Range: return handleRange(c, message, w, l);
        case ControlMessageKind::List: return handleList(c, message, w, l);
        case ControlMessageKind::Check:
            if (message == ControlMessage::GetCheck) return c.check;
            c.check = w != 0 ? 1 : 0;
            return 0;
        case ControlMessageKind::Other: break;
    }
    if (message == ControlMessage::Enable) c.enabled = w != 0;
    return message == ControlMessage::Enable || message == ControlMessage::Invalidate
               ? 0
               : handleTextAndImage(c, message, w, l);
}

std::int32_t MemoryControlPanel::handleRange(Control& c, ControlMessage message, std::intptr_t w,
                                             std::intptr_t l) {
    switch (message) {
        case ControlMessage::SetRange:
            c.range = ControlRange{static_cast<int>(w), static_cast<int>(l)};
            c.pos = clampToRange(c.pos, c.range);
            return 0;
        case ControlMessage::SetBuddy:
            c.buddy = static_cast<ControlId>(w);
            return 0;
        case ControlMessage::GetPos:
            return takeUpBuddyText(c);
        case ControlMessage::SetPos: {
            const int previous = c.pos;
            c.pos = clampToRange(static_cast<int>(w), c.range);
            showInBuddy(c);
            return previous;
        }
        case ControlMessage::SetStep:
            c.step = static_cast<int>(w);
            return 0;
        case ControlMessage::StepIt: {
            const int previous = c.pos;
            c.pos = progressAfterStep(c.pos, c.step, c.range);
            return previous;
        }
        default:
            return 0;
    }
}

std::int32_t MemoryControlPanel::handleList(Control& c, ControlMessage message, std::intptr_t w,
                                            std::intptr_t l) {
    const auto validEntry = [&c](std::intptr_t i) {
        return i >= 0 && static_cast<std::size_t>(i) < c.items.size();
    };
    switch (message) {
        case ControlMessage::AddString:
            c.items.push_back(l ? reinterpret_cast<const char*>(l) : "");
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
            return validEntry(w) ? static_cast<std::int32_t>(c.itemData[static_cast<std::size_t>(w)]) : -1;
        default:
            return 0;
    }
}

std::int32_t MemoryControlPanel::handleTextAndImage(Control& c, ControlMessage message, std::intptr_t w,
                                                    std::intptr_t l) {
    switch (message) {
        case ControlMessage::SetText:
            c.text = l ? reinterpret_cast<const char*>(l) : "";
            return 1;
        case ControlMessage::GetText: {
            if (w <= 0 || l == 0) return 0;
            // A list's field shows its selected entry.
            const bool listEntry = c.selection >= 0 && static_cast<std::size_t>(c.selection) < c.items.size();
            const std::string& shown = listEntry ? c.items[static_cast<std::size_t>(c.selection)] : c.text;
            const std::size_t length = std::min(shown.size(), static_cast<std::size_t>(w) - 1);
            char* buffer = reinterpret_cast<char*>(l);
            shown.copy(buffer, length);
            buffer[length] = '\0';
            return static_cast<std::int32_t>(length);
        }
        case ControlMessage::SetImage: {
            const auto* image = reinterpret_cast<const ControlImage*>(l);
            c.image = Image{};
            if (image == nullptr) return 0;
            c.image.width = image->width;
            c.image.height = image->height;
            c.image.fill = image->fill;
            if (image->pixels != nullptr && image->width > 0 && image->height > 0)
                c.image.pixels.assign(image->pixels, image->pixels + image->width * image->height);
            return 0;
        }
        case ControlMessage::ShowKeys:
            if (l != 0) c.keys = *reinterpret_cast<const KeySelection*>(l);
            return 0;
        default:
            return 0;
    }
}

}  // namespace halcyone
