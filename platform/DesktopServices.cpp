#include "platform/DesktopServices.h"

#include <filesystem>
#include <system_error>

namespace halcyone {

namespace {

// What runs when nothing is installed: every dialog is cancelled, messages go nowhere.
class NoDesktop : public DesktopServices {
public:
    std::optional<std::string> askSaveFileName(const FileDialogSpec&) override { return {}; }
    void showMessage(const std::string&, const std::string&) override {}
};

NoDesktop noDesktop;
DesktopServices* installed = nullptr;

}  // namespace

std::optional<ExportChoice> DesktopServices::askExportFileName(const std::vector<FileDialogSpec>& filters,
                                                               const std::string&) {
    if (filters.empty()) return std::nullopt;
    const auto path = askSaveFileName(filters.front());
    if (!path) return std::nullopt;
    return ExportChoice{*path, 0, false};
}

std::string DesktopServices::executablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

void installDesktop(DesktopServices* d) { installed = d; }

DesktopServices& desktop() { return installed ? *installed : noDesktop; }

void showError(const std::string& text) { desktop().showMessage(text, "Error"); }

std::string besideExecutable(const std::string& executable, const std::string& extension) {
    return std::filesystem::path(executable).replace_extension("." + extension).string();
}

std::string helpFilePath(const std::string& executable) {
    const std::string beside = besideExecutable(executable, "hlp");
    std::error_code error;
    if (executable.empty() || std::filesystem::exists(beside, error)) return beside;
    const std::filesystem::path exe(executable);
    const auto installed =
        exe.parent_path().parent_path() / "share" / "halcyone" / std::filesystem::path(beside).filename();
    return std::filesystem::exists(installed, error) ? installed.string() : beside;
}

}  // namespace halcyone
