// A desktop for tests: file dialogs, the colour chooser and the swatch menu answer from
// queues, and every message box, help request and About box is recorded.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/DesktopServices.h"

namespace halcyone {

class ScriptedDesktop : public DesktopServices {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    std::optional<std::string> askSaveFileName(const FileDialogSpec& spec) override;
    std::optional<ExportChoice> askExportFileName(const std::vector<FileDialogSpec>& filters,
                                                  const std::string& option) override;
    void showMessage(const std::string& text, const std::string& caption) override;
    std::optional<Colour> chooseColour(Colour initial, CustomColours& custom) override;
    int chooseSwatch(const SwatchColours& swatches, int marked) override;
    void openHelp(const std::string& path) override { helpOpened.push_back(path); }
    void showAbout() override { ++aboutShown; }
    std::string executablePath() override { return executable; }

    std::deque<std::optional<std::string>> fileAnswers;  // empty queue: the user cancels
    std::deque<std::optional<Colour>> colourAnswers;     // empty queue: cancelled
    std::optional<CustomColours> customColoursDefined;   // what the user leaves in the chooser
    std::deque<int> swatchAnswers;                       // empty queue: dismissed (0)
    std::deque<std::optional<ExportChoice>> exportAnswers;  // empty queue: cancelled

    std::vector<FileDialogSpec> dialogsShown;
    std::vector<std::vector<FileDialogSpec>> exportDialogsShown;
    std::vector<std::string> exportOptionsShown;
    std::vector<Message> messages;
    std::vector<Colour> colourChooserStarts;
    std::vector<SwatchColours> swatchMenusShown;
    std::vector<int> swatchesMarked;
    std::vector<std::string> helpOpened;
    int aboutShown = 0;
    std::string executable = "/opt/halcyone/bin/halcyone";
};

}  // namespace halcyone
