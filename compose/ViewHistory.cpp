#include "compose/ViewHistory.h"

#include <array>

#include "compose/AppState.h"

namespace halcyone {

namespace {
std::array<ViewHistory, 1 + channelCount> histories;  // shared view, then channels 1 to 5
}  // namespace

void ViewHistory::record(const ViewRect& before) {
    undo_.push_back(before);
    if (undo_.size() > depth) undo_.pop_front();
    redo_.clear();
}

std::optional<ViewRect> ViewHistory::undo(const ViewRect& current) {
    if (undo_.empty()) return std::nullopt;
    const ViewRect back = undo_.back();
    undo_.pop_back();
    redo_.push_back(current);
    return back;
}

std::optional<ViewRect> ViewHistory::redo(const ViewRect& current) {
    if (redo_.empty()) return std::nullopt;
    const ViewRect forward = redo_.back();
    redo_.pop_back();
    undo_.push_back(current);
    return forward;
}

void ViewHistory::clear() {
    undo_.clear();
    redo_.clear();
}

ViewHistory& historyOf(const ViewRect& view) {
    for (std::size_t k = 0; k < appState.channels.size(); ++k)
        if (&view == &appState.channels[k].view) return histories[k + 1];
    return histories[0];
}

void clearViewHistories() {
    for (ViewHistory& history : histories) history.clear();
}

}  // namespace halcyone
