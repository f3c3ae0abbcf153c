// The main window's table: its 60 controls in creation order with their tab stops, the menu,
// where they land in pixels, and the refusal of a damaged table.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"

namespace halcyone {
namespace {

std::string tableText() {
    std::ifstream in(HALCYONE_TEMPLATE);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DialogTemplate, HoldsSixtyControlsWithTheirTabStopsAndTheMenu) {
    const ParsedTemplate parsed = parseDialogTemplate(tableText());
    ASSERT_TRUE(parsed.dialog) << parsed.problem;
    const DialogTemplate& d = *parsed.dialog;
    EXPECT_EQ(d.caption, "Halcyone");
    ASSERT_EQ(d.controls.size(), 60u);
    std::string tabStops;
    for (const ControlTemplate& c : d.controls)
        if (c.isTabStop()) tabStops += std::to_string(c.id) + " ";
    EXPECT_EQ(tabStops,
              "1015 1011 1014 1023 1024 1027 1029 8 7 9 1000 1001 1010 1022 1026 1039 1040 1045 "
              "1002 1030 1034 1048 1046 ");
    std::string menu;
    for (const MenuItemTemplate& item : d.menu) menu += item.menu + "/" + item.item + "=" + std::to_string(item.id) + " ";
    EXPECT_EQ(menu,
              "&File/Save midi file...=131 &File/Save preferences...=132 "
              "&File/Load preferences...=133 &File/Export &audio...=134 "
              "&File/Export MIDI &tracks...=135 &File/E&xit=105 &Help/Help=136 &Help/&About ...=104 ");
}

TEST(DialogTemplate, DialogUnitsLineUpWithThePreviewFrame) {
    const DialogTemplate d = *parseDialogTemplate(tableText()).dialog;
    EXPECT_EQ(pixelRect(DialogRect{0, 0, d.width, d.height}).size(), QSize(599, 405));
    const auto rectOf = [&](int id) {
        for (const ControlTemplate& c : d.controls)
            if (c.id == id) return pixelRect(c.rect);
        return QRect();
    };
    EXPECT_EQ(rectOf(1006).top(), 211);   // just below the frame's bottom row, 210
    EXPECT_EQ(rectOf(1007).left(), 551);  // just right of its right column, 550
    EXPECT_LE(rectOf(1032).bottom(), 309);  // above the keyboard
    EXPECT_GE(rectOf(8).top(), 358);        // below it
}

TEST(DialogTemplate, ADamagedTableIsRefusedWithItsLine) {
    const auto problem = [](const std::string& text) { return parseDialogTemplate(text).problem; };
    const std::string dialog = "dialog\t129\t\"X\"\t10\t10\t\"Sans\"\t8\n";
    EXPECT_EQ(problem(""), "no dialog line");
    EXPECT_EQ(problem(dialog + "control\t5\tknob\t\"\"\t1\t1\t1\t1\t\n"),
              "line 2: unknown control kind knob");
    EXPECT_EQ(problem(dialog + "control\t5\tlabel\tNo quotes\t1\t1\t1\t1\t\n"),
              "line 2: the caption is not in double quotes");
    EXPECT_EQ(problem(dialog + "# note\ncontrol\t5\tlabel\t\"\"\t1\t1\t0\t1\t\n"),
              "line 3: bad rectangle");
    EXPECT_EQ(problem(dialog + "control\t5\tlabel\t\"\"\t1\t1\t1\t1\tshiny\n"),
              "line 2: unknown flag shiny");
    EXPECT_EQ(problem(dialog + "control\t5\tlabel\t\"\"\t1\t1\t1\t1\t\ncontrol\t5\tedit\t\"\"\t1\t1\t1\t1\t\n"),
              "line 3: control id 5 appears twice");
    EXPECT_EQ(problem(dialog + dialog), "line 2: a second dialog line");
    EXPECT_EQ(problem(dialog + "menu\t\"&File\"\t\"Quit\"\n"), "line 2: a menu line has 4 fields");
    EXPECT_TRUE(parseDialogTemplate(dialog + "control\t-\tgroup\t\"G\"\t1\t1\t5\t5\tflat\r\n").dialog);
}

}  // namespace
}  // namespace halcyone
