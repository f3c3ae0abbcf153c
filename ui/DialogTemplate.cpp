#include "ui/DialogTemplate.h"

#include <array>
#include <charconv>
#include <utility>

namespace halcyone {

namespace {

constexpr std::array<std::pair<std::string_view, ControlKind>, 13> kindNames = {{
    {"channel", ControlKind::ChannelButton},
    {"list", ControlKind::List},
    {"updown", ControlKind::UpDown},
    {"edit", ControlKind::Edit},
    {"button", ControlKind::Button},
    {"defbutton", ControlKind::DefaultButton},
    {"bitmapbutton", ControlKind::BitmapButton},
    {"hscroll", ControlKind::HorizontalScroll},
    {"vscroll", ControlKind::VerticalScroll},
    {"label", ControlKind::Label},
    {"group", ControlKind::Group},
    {"checkbox", ControlKind::CheckBox},
    {"progress", ControlKind::Progress},
}};

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::optional<int> number(std::string_view field) {
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return value;
}

std::optional<std::string> quoted(std::string_view field) {
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') return std::nullopt;
    return std::string(field.substr(1, field.size() - 2));
}

std::optional<ControlKind> kindNamed(std::string_view name) {
    for (const auto& [text, kind] : kindNames)
        if (text == name) return kind;
    return std::nullopt;
}

// Sets the flag named `name`; false for a name that is not a flag.
bool setFlag(ControlFlags& flags, std::string_view name) {
    if (name == "group") flags.groupStart = true;
    else if (name == "notab") flags.noTabStop = true;
    else if (name == "sunken") flags.sunken = true;
    else if (name == "edge") flags.thinEdge = true;
    else if (name == "notext") flags.noText = true;
    else if (name == "lefttext") flags.textLeft = true;
    else if (name == "flat") flags.flat = true;
    else return false;
    return true;
}

class LineParser {
public:
    explicit LineParser(std::vector<std::string_view> fields) : fields_(std::move(fields)) {}

    std::size_t size() const { return fields_.size(); }
    std::optional<int> number(std::size_t i) const { return halcyone::number(fields_[i]); }
    std::optional<std::string> text(std::size_t i) const { return quoted(fields_[i]); }
    std::string_view raw(std::size_t i) const { return fields_[i]; }

private:
    std::vector<std::string_view> fields_;
};

std::string parseDialog(const LineParser& line, DialogTemplate& dialog) {
    if (line.size() != 7) return "a dialog line has 7 fields";
    const auto id = line.number(1), width = line.number(3), height = line.number(4),
               points = line.number(6);
    const auto caption = line.text(2), font = line.text(5);
    if (!id || !width || !height || !points || !caption || !font) return "bad dialog line";
    if (*width <= 0 || *height <= 0 || *points <= 0) return "the dialog needs a size and a font size";
    dialog.id = *id;
    dialog.caption = *caption;
    dialog.width = *width;
    dialog.height = *height;
    dialog.fontFamily = *font;
    dialog.fontPoints = *points;
    return {};
}

std::string parseControl(const LineParser& line, DialogTemplate& dialog) {
    if (line.size() != 9) return "a control line has 9 fields";
    ControlTemplate control;
    if (line.raw(1) != "-") {
        const auto id = line.number(1);
        if (!id || *id <= 0) return "bad control id";
        control.id = *id;
    }
    const auto kind = kindNamed(line.raw(2));
    if (!kind) return "unknown control kind " + std::string(line.raw(2));
    control.kind = *kind;
    const auto caption = line.text(3);
    if (!caption) return "the caption is not in double quotes";
    control.caption = *caption;
    const auto x = line.number(4), y = line.number(5), w = line.number(6), h = line.number(7);
    if (!x || !y || !w || !h || *w <= 0 || *h <= 0) return "bad rectangle";
    control.rect = DialogRect{*x, *y, *w, *h};
    if (!line.raw(8).empty())
        for (std::string_view flag : split(line.raw(8), ','))
            if (!setFlag(control.flags, flag)) return "unknown flag " + std::string(flag);
    for (const ControlTemplate& earlier : dialog.controls)
        if (control.id != 0 && earlier.id == control.id)
            return "control id " + std::to_string(control.id) + " appears twice";
    dialog.controls.push_back(std::move(control));
    return {};
}

std::string parseMenu(const LineParser& line, DialogTemplate& dialog) {
    if (line.size() != 4) return "a menu line has 4 fields";
    const auto menu = line.text(1), item = line.text(2);
    const auto id = line.number(3);
    if (!menu || !item || !id || *id <= 0) return "bad menu line";
    dialog.menu.push_back(MenuItemTemplate{*menu, *item, *id});
    return {};
}

}  // namespace

bool ControlTemplate::isTabStop() const {
    switch (kind) {
        case ControlKind::List:
        case ControlKind::Edit:
        case ControlKind::CheckBox:
        case ControlKind::Button:
        case ControlKind::DefaultButton:
        case ControlKind::BitmapButton:
        case ControlKind::ChannelButton:
            return !flags.noTabStop;
        default:
            return false;
    }
}

ParsedTemplate parseDialogTemplate(std::string_view text) {
    DialogTemplate dialog;
    bool haveDialog = false;
    int lineNumber = 0;
    for (std::string_view raw : split(text, '\n')) {
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (raw.empty() || raw.front() == '#') continue;
        const LineParser line(split(raw, '\t'));
        std::string problem;
        if (line.raw(0) == "dialog") {
            problem = haveDialog ? "a second dialog line" : parseDialog(line, dialog);
            haveDialog = true;
        } else if (line.raw(0) == "control") {
            problem = parseControl(line, dialog);
        } else if (line.raw(0) == "menu") {
            problem = parseMenu(line, dialog);
        } else {
            problem = "unknown line kind " + std::string(line.raw(0));
        }
        if (!problem.empty())
            return ParsedTemplate{std::nullopt, "line " + std::to_string(lineNumber) + ": " + problem};
    }
    if (!haveDialog) return ParsedTemplate{std::nullopt, "no dialog line"};
    return ParsedTemplate{std::move(dialog), {}};
}

}  // namespace halcyone
