// The desktop seam: modal pieces (file dialog, message box, colour chooser, pop-up menu, help)
// and the executable's own path. The window installs a Qt implementation; the command-line
// tool and the tests install their own, so every path of the file commands runs headless.
#pragma once

#include <array>
#include <deque>
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

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> askSaveFileName(const FileDialogSpec& spec) = 0;
    // A message box with one OK button and no owner.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // The colour chooser; nothing on cancel.
    virtual std::optional<Colour> chooseColour(Colour initial) { return initial; }
    // A pop-up menu of swatches; the chosen item from 1, or 0 when dismissed.
    virtual int chooseSwatch(const std::array<Colour, 20>& /*swatches*/) { return 0; }
    // Shows the help file; false when it can't.
    virtual bool openHelp(const std::string& /*path*/) { return false; }
    // Full path of the running executable, empty when it can't be found.
    virtual std::string executablePath();
};

// Installs the implementation (nullptr uninstalls). Without one, dialogs are cancelled and
// messages dropped.
void installDesktop(DesktopServices* desktop);
DesktopServices& desktop();

// The failure message every command shows: caption "Error", OK only, no owner.
void showError(const std::string& text);

// For tests: answers file dialogs from a queue and records every message.
class ScriptedDesktop : public DesktopServices {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    std::optional<std::string> askSaveFileName(const FileDialogSpec& spec) override;
    void showMessage(const std::string& text, const std::string& caption) override;
    std::string executablePath() override { return executable; }

    std::deque<std::optional<std::string>> fileAnswers;  // empty queue: the user cancels
    std::vector<FileDialogSpec> dialogsShown;
    std::vector<Message> messages;
    std::string executable = "/opt/halcyone/bin/halcyone";
};

class ScopedDesktop {
public:
    explicit ScopedDesktop(DesktopServices& d);
    ~ScopedDesktop();
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

private:
    DesktopServices* previous_;
};

}  // namespace halcyone
