// The desktop seam: modal pieces (file dialog, message box, colour chooser, pop-up menu, help)
// and the executable's own path. The window installs a Qt implementation; the command-line
// tool and the tests install their own, so every path of the file commands runs headless.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fractal/Colour.h"

namespace halcyone {

// A save-file dialog with one filter entry, e.g. {"Midi (*.mid)", "*.mid", "mid"}. The dialog
// appends the default extension to a name typed without one and never asks about overwriting.
struct FileDialogSpec {
    std::string description;
    std::string pattern;
    std::string defaultExtension;
};

// What an export dialog answers: the file, the filter chosen (an index into the filters it was
// given) and the state of its check box.
struct ExportChoice {
    std::string path;
    int filter = 0;
    bool optionChecked = false;
};

constexpr int customColourCount = 16;
using CustomColours = std::array<Colour, customColourCount>;
constexpr int swatchMenuSize = 20;
using SwatchColours = std::array<Colour, swatchMenuSize>;

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> askSaveFileName(const FileDialogSpec& spec) = 0;
    // A save-file dialog offering several filters, each with its default extension, and a check
    // box labelled `option` (none when empty). Nothing when the user cancels. Without a dialog
    // of its own a desktop offers the first filter alone.
    virtual std::optional<ExportChoice> askExportFileName(const std::vector<FileDialogSpec>& filters,
                                                          const std::string& option);
    // A message box with one OK button and no owner.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // The same with a warning icon.
    virtual void showWarning(const std::string& text, const std::string& caption) {
        showMessage(text, caption);
    }
    // The colour chooser, fully open, starting at `initial` and showing `custom` as its custom
    // colours; the colours the user defines there are written back into `custom`, whether or
    // not the choice is confirmed. Nothing on cancel.
    virtual std::optional<Colour> chooseColour(Colour /*initial*/, CustomColours& /*custom*/) {
        return std::nullopt;
    }
    // A pop-up menu of swatches at the mouse cursor; the chosen item from 1, or 0 when dismissed.
    // Item `marked` (from 1; 0 for none) shows the present colour.
    virtual int chooseSwatch(const SwatchColours& /*swatches*/, int /*marked*/) { return 0; }
    // Shows the help file in the program's help viewer, which reports a file it can't show.
    virtual void openHelp(const std::string& /*path*/) {}
    // The modal About box.
    virtual void showAbout() {}
    // Full path of the running executable, empty when it can't be found.
    virtual std::string executablePath();
};

// Installs the implementation (nullptr uninstalls). Without one, dialogs are cancelled and
// messages dropped.
void installDesktop(DesktopServices* desktop);
DesktopServices& desktop();

// The failure message every command shows: caption "Error", OK only, no owner.
void showError(const std::string& text);

// The file of the same name beside the executable with `extension` (without the dot) in place
// of its own, or appended when it has none: "/opt/bin/halcyone" -> "/opt/bin/halcyone.hlp".
std::string besideExecutable(const std::string& executable, const std::string& extension);

// The help file: beside the executable, or, for an installed program whose folder holds none,
// in share/halcyone/ of the same prefix ("/usr/bin/halcyone" -> "/usr/share/halcyone/
// halcyone.hlp"). The file beside the executable when neither exists, for the viewer to report.
std::string helpFilePath(const std::string& executable);

}  // namespace halcyone
