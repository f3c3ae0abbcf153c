// A control host that keeps control state in memory: what the command-line tool and the tests
// install in place of the window. It answers every message the way the window's controls do.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/ControlSeam.h"

namespace halcyone {

class MemoryControlPanel : public ControlHost {
public:
    struct Control {
        int check = 0;
        int pos = 0;
        int rangeMin = 0;
        int rangeMax = 100;
        int step = 10;
        int selection = -1;
        bool enabled = true;
        std::intptr_t image = 0;
        std::string text;
        std::vector<std::string> items;
        std::vector<std::intptr_t> itemData;
    };

    // Ranges and start positions of the main window's up-downs, lists emptied, progress at 0.
    MemoryControlPanel();

    std::int32_t handle(ControlId id, ControlMessage message, std::intptr_t wParam,
                        std::intptr_t lParam) override;

    Control& control(ControlId id) { return controls_[id]; }
    const Control& control(ControlId id) const;

    // How many times each control has received a message of the given kind.
    int count(ControlId id, ControlMessage message) const;

private:
    std::map<ControlId, Control> controls_;
    std::map<std::pair<ControlId, ControlMessage>, int> counts_;
};

// Installs a panel for the lifetime of the object and restores the previous host afterwards.
class ScopedControlHost {
public:
    explicit ScopedControlHost(ControlHost& host) : previous_(controlHost()) {
        installControlHost(&host);
    }
    ~ScopedControlHost() { installControlHost(previous_); }
    ScopedControlHost(const ScopedControlHost&) = delete;
    ScopedControlHost& operator=(const ScopedControlHost&) = delete;

private:
    ControlHost* previous_;
};

}  // namespace halcyone
