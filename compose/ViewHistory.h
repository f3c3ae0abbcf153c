// The undo history of a view: the views it had before each change, and the ones undone since,
// so that every change (buttons, arrows, "Randomize", the mouse) can be taken back and redone.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "fractal/ViewRect.h"

namespace halcyone {

class ViewHistory {
public:
    // How many changes are kept; the oldest goes first beyond that.
    static constexpr std::size_t depth = 1000;

    // `before` was the view before a change: it can be undone now, and nothing can be redone.
    void record(const ViewRect& before);
    // The view to go back to from `current`, which becomes redoable; nothing when there is none.
    std::optional<ViewRect> undo(const ViewRect& current);
    // The view undone last, with `current` undoable again; nothing when there is none.
    std::optional<ViewRect> redo(const ViewRect& current);
    void clear();

private:
    std::deque<ViewRect> undo_;
    std::vector<ViewRect> redo_;
};

// The history of one of the six views: appState.sharedView or a channel's view. The histories
// live as long as the process.
ViewHistory& historyOf(const ViewRect& view);

// Every view's history emptied, as after loading a set-up.
void clearViewHistories();

}  // namespace halcyone
