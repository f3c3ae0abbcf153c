#include "ui/Startup.h"

#include <QApplication>
#include <QCommandLineParser>
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

constexpr int exitUsage = 2;

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

std::variant<QString, int> setUpFromCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Composes music from the Mandelbrot set."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("set-up"), QStringLiteral("A set-up (.mpr) to open."),
                                 QStringLiteral("[set-up]"));
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "halcyone: %s\n", qPrintable(parser.errorText()));
        return exitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("halcyone %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    const QStringList named = parser.positionalArguments();
    if (named.size() > 1) {
        std::fprintf(stderr, "halcyone: one set-up at a time, not %lld\n", static_cast<long long>(named.size()));
        return exitUsage;
    }
    return named.isEmpty() ? QString() : named.first();
}

int runProgram(const QString& setUp, const QString& templatePath) {
    auto created = createMainWindow(templatePath);
    if (const int* code = std::get_if<int>(&created)) return *code;
    MainWindow& window = *std::get<std::unique_ptr<MainWindow>>(created);
    if (!setUp.isEmpty()) window.loadSetUpFrom(setUp.toStdString());
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
