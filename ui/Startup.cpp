#include "ui/Startup.h"

#include <QApplication>
#include <QFile>
#include <QScreen>

#include <cerrno>
#include <cstdio>

#include "playback/Playback.h"
#include "platform/DesktopServices.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/QtDesktop.h"

namespace halcyone {

namespace {

int creationFailed(int code) {
    char text[32];
    std::snprintf(text, sizeof text, "Error x%x", static_cast<unsigned>(code));
    desktop().showWarning(text, "CreateDialog");
    return 1;
}

}  // namespace

std::variant<std::unique_ptr<MainWindow>, int> createMainWindow(const QString& templatePath) {
    QFile file(templatePath);
    if (!file.open(QIODevice::ReadOnly)) return creationFailed(ENOENT);
    const QByteArray text = file.readAll();
    const ParsedTemplate parsed = parseDialogTemplate(std::string_view(text.constData(), text.size()));
    if (!parsed.dialog) return creationFailed(EINVAL);

    auto window = std::make_unique<MainWindow>(*parsed.dialog);
    if (auto* qtDesktop = dynamic_cast<QtDesktop*>(&desktop())) qtDesktop->setOwner(window.get());
    if (!window->initialise()) {
        resetPlayback();
        return 0;
    }
    return window;
}

int runProgram(const QString& templatePath) {
    auto created = createMainWindow(templatePath);
    if (const int* code = std::get_if<int>(&created)) return *code;
    MainWindow& window = *std::get<std::unique_ptr<MainWindow>>(created);
    window.setWindowIcon(windowIcon());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->geometry().topLeft());
    window.show();
    const int code = QApplication::exec();
    // The synthesizer and its audio thread go first, while everything they use still exists.
    resetPlayback();
    return code;
}

}  // namespace halcyone
