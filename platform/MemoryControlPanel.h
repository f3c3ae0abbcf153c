// A control host that keeps control state in memory: what the command-line tool and the tests
// install in place of the window. It answers every message the way the window's controls do;
// like the window, it starts with empty controls that the program sets up.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/ControlRules.h"
#include "platform/ControlSeam.h"

namespace halcyone {

class MemoryControlPanel : public ControlHost {
public:
    struct Image {
        int width = 0;
        int height = 0;
        Colour fill = black;
        std::vector<Colour> pixels;  // empty for a solid swatch
    };

    struct Control {
        int check = 0;
        int pos = 0;
        ControlRange range;
        int step = 10;
        int selection = -1;
        bool enabled = true;
        Image image;
        std::string text;
        std::vector<std::string> items;
        std::vector<std::intptr_t> itemData;
        KeySelection keys{};  // the window's keyboard
        ControlId buddy = ControlId::MainWindow;  // an up-down's edit; MainWindow: none
    };

    std::int32_t handle(ControlId id, ControlMessage message, std::intptr_t wParam,
                        std::intptr_t lParam) override;

    Control& control(ControlId id) { return controls_[id]; }
    const Control& control(ControlId id) const;

    // How many times each control has received a message of the given kind.
    int count(ControlId id, ControlMessage message) const;

private:
    // Messages by the kind of control that answers them.
    std::int32_t handleRange(Control& c, ControlMessage message, std::intptr_t w, std::intptr_t l);
    std::int32_t handleList(Control& c, ControlMessage message, std::intptr_t w, std::intptr_t l);
    std::int32_t handleTextAndImage(Control& c, ControlMessage message, std::intptr_t w, std::intptr_t l);

    // An up-down's position after taking up its buddy's text, as the window's up-downs do.
    int takeUpBuddyText(Control& upDown);
    void showInBuddy(const Control& upDown);

    std::map<ControlId, Control> controls_;
    std::map<std::pair<ControlId, ControlMessage>, int> counts_;
};

}  // namespace halcyone
