// halcyone: the window.
#include <QApplication>

#include <cstdio>
#include <string>

#include "fractal/EscapeIsa.h"
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
    // A HALCYONE_ISA this processor can't have: say which level runs instead.
    if (const std::string notice = halcyone::escapeIsaNotice(); !notice.empty())
        std::fprintf(stderr, "halcyone: %s\n", notice.c_str());
    halcyone::QtDesktop desktop;
    halcyone::installDesktop(&desktop);
    const int code = halcyone::runProgram(std::get<QString>(setUp));
    halcyone::installDesktop(nullptr);
    return code;
}
