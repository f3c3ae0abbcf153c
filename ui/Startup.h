// The program's start and end around its one window.
#pragma once

#include <QString>

#include <memory>
#include <variant>

namespace halcyone {

class MainWindow;

// The table the window is built from, built into the executable.
inline const QString mainDialogTemplate = QStringLiteral(":/main-dialog.tsv");

// Creates the main window from the template at `templatePath` and runs its initialisation.
// Gives the window, ready to show, or the exit code when the program ends here: 1 after
// "Error x%x" (caption "CreateDialog") when the window can't be built from the template, 0 when
// the player can't be set up (its message has been shown).
std::variant<std::unique_ptr<MainWindow>, int> createMainWindow(const QString& templatePath);

// Creates the window, loads `setUp` into it when one is named (as "Load preferences..." would,
// its message included), shows it at the top-left corner of the screen with its icon, runs the
// event loop until the window quits, and releases playback before Qt goes. The exit code.
int runProgram(const QString& setUp = {}, const QString& templatePath = mainDialogTemplate);

// The set-up file named on the window's command line (`halcyone [SET-UP]`), empty for none;
// --help and --version are answered and end the program with the code given.
std::variant<QString, int> setUpFromCommandLine(const QStringList& arguments);

}  // namespace halcyone
