// The main window's template, read from the table in resources/: the dialog, its controls in
// creation order and its menu. Plain data and a parser, so that the table can be checked alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halcyone {

enum class ControlKind {
    ChannelButton,
    List,
    UpDown,
    Edit,
    Button,
    DefaultButton,
    BitmapButton,
    HorizontalScroll,
    VerticalScroll,
    Label,
    Group,
    CheckBox,
    Progress,
};

struct ControlFlags {
    bool groupStart = false;
    bool noTabStop = false;
    bool sunken = false;
    bool thinEdge = false;
    bool noText = false;
    bool textLeft = false;
    bool flat = false;
};

// A rectangle in dialog units.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ControlTemplate {
    int id = 0;  // 0: a control the program never addresses
    ControlKind kind = ControlKind::Label;
    std::string caption;
    DialogRect rect;
    ControlFlags flags;

    // Lists, edits, check boxes and push buttons take the focus with Tab unless marked otherwise;
    // statics, group boxes, scroll bars, up-downs and the progress bar never do.
    bool isTabStop() const;
};

struct MenuItemTemplate {
    std::string menu;  // "&File"
    std::string item;  // "E&xit"
    int id = 0;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int width = 0;  // dialog units
    int height = 0;
    std::string fontFamily;
    int fontPoints = 0;
    std::vector<ControlTemplate> controls;  // creation order = tab order
    std::vector<MenuItemTemplate> menu;     // menus in order of first appearance
};

struct ParsedTemplate {
    std::optional<DialogTemplate> dialog;
    std::string problem;  // "line 12: ..." when dialog is empty
};

ParsedTemplate parseDialogTemplate(std::string_view text);

}  // namespace halcyone
