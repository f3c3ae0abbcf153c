// The desktop services of the window: Qt's own file dialog, message boxes, colour chooser, the
// pop-up menu of swatches, the help viewer and the About box.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/DesktopServices.h"

namespace halcyone {

class HelpViewer;

class QtDesktop : public DesktopServices {
public:
    // Modal pieces are owned by `owner` (the main window; may be set later).
    void setOwner(QWidget* owner) { owner_ = owner; }

    std::optional<std::string> askSaveFileName(const FileDialogSpec& spec) override;
    std::optional<ExportChoice> askExportFileName(const std::vector<FileDialogSpec>& filters,
                                                  const std::string& option) override;
    void showMessage(const std::string& text, const std::string& caption) override;
    void showWarning(const std::string& text, const std::string& caption) override;
    std::optional<Colour> chooseColour(Colour initial, CustomColours& custom) override;
    int chooseSwatch(const SwatchColours& swatches, int marked) override;
    void openHelp(const std::string& path) override;
    void showAbout() override;
    std::string executablePath() override;

    // The help viewer, once "Help" has opened it and until it is closed.
    HelpViewer* helpViewer() const;

private:
    QPointer<QWidget> owner_;
    QPointer<HelpViewer> helpViewer_;
};

}  // namespace halcyone
