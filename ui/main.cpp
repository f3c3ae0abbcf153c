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
    halcyone::QtDesktop desktop;
    halcyone::installDesktop(&desktop);
    const int code = halcyone::runProgram();
    halcyone::installDesktop(nullptr);
    return code;
}
