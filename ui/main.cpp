// halcyone: the window.
#include <QApplication>

#include "platform/DesktopServices.h"
#include "ui/QtDesktop.h"
#include "ui/Startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("halcyone"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.halcyone"));
    QApplication::setQuitOnLastWindowClosed(false);  // the main window alone ends the program
    QApplication::setApplicationVersion(QStringLiteral(HALCYONE_VERSION));
    const auto setUp = halcyone::setUpFromCommandLine(QApplication::arguments());
    if (const int* code = std::get_if<int>(&setUp)) return *code;
    halcyone::QtDesktop desktop;
    halcyone::installDesktop(&desktop);
    const int code = halcyone::runProgram(std::get<QString>(setUp));
    halcyone::installDesktop(nullptr);
    return code;
}
