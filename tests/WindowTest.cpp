// The window from start-up to quit: its start state, the port list, the ways start-up ends early,
// the About box, what it paints, and Compose keeping the window alive but closed to input.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "WindowTestSupport.h"
#include "files/Preferences.h"
#include "fractal/PreviewGrid.h"
#include "ui/AboutDialog.h"
#include "ui/Controls.h"
#include "ui/QtDesktop.h"

using namespace halcyone;
using halcyone::testing::WindowUnderTest;

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// A compose that takes long enough for several repaints: 400 bars of "1/16", every row of
// every column sampled.
void setLongCompose() {
    Channel& c = appState.channels[0];
    c.instrument = 1;
    c.mode = static_cast<int>(ScanMode::AverageAmount);
    c.noteLength = 4;
    c.colour = black;
    setControlPosition(ControlId::BarNumber, 400);
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void startState();
    void startUpEndsWhenThePlayerOrTheTemplateFails();
    void aboutBoxClosesFourWays();
    void paintsThePreviewAsTheToolDoes();
    void composeDiscardsInputKeepsRepaintingAndStopsOnClose();
    void helpViewerShowsTheGuideOrSaysWhyNot();
};

void WindowTest::startState() {
    WindowUnderTest w;
    MainWindow* window = w.start();
    QVERIFY(window);
    for (int k = 0; k < channelCount; ++k)
        QCOMPARE(w.control<QAbstractButton>(static_cast<ControlId>(1017 + k))->text(), "Off");
    QVERIFY(w.control<QAbstractButton>(ControlId::Channel1)->isChecked());
    const std::pair<ControlId, QString> texts[] = {
        {ControlId::Instrument, "Off"}, {ControlId::Mode, "Up border"}, {ControlId::Scale, "Major"},
        {ControlId::Parameter, "Pitch Wheel"}, {ControlId::NoteLength, "1/8"},
        {ControlId::LowNoteName, "C  (5)"}, {ControlId::HighNoteName, "B  (6)"},
        {ControlId::BarNumberEdit, "5"}, {ControlId::TempoEdit, "120"},
        {ControlId::SlideSpeedEdit, "0"}, {ControlId::ReadoutX1, "-2."}, {ControlId::ReadoutY1, "-1."},
        {ControlId::ReadoutX2, "1."}, {ControlId::ReadoutY2, "1."}};
    for (const auto& [id, text] : texts) QCOMPARE(QString::fromStdString(controlText(id)), text);
    QCOMPARE(w.control<SteppedProgressBar>(ControlId::Progress)->value(), 0);
    // Only "Play" is ever disabled, and only during Compose.
    for (QWidget* child : window->findChildren<QWidget*>()) QVERIFY(child->isEnabled());
    QCOMPARE(window->windowTitle(), "Halcyone");
    QCOMPARE(window->client().size(), QSize(599, 405));
    QCOMPARE(window->minimumSize(), window->maximumSize());
}

void WindowTest::startUpEndsWhenThePlayerOrTheTemplateFails() {
    {
        WindowUnderTest w;
        w.script->initialiseFails = true;
        QVERIFY(!w.start());
        QCOMPARE(w.exitCode, 0);
        QCOMPARE(w.desk.messages.size(), 1u);
        QCOMPARE(w.desk.messages[0].text, "Can't initialize DirectMusic objects.");
        QCOMPARE(w.desk.messages[0].caption, "Error");
        QVERIFY(!playbackState.player);
    }
    WindowUnderTest w;
    auto created = createMainWindow(QStringLiteral(":/no-such-template.tsv"));
    QCOMPARE(std::get<int>(created), 1);
    QCOMPARE(w.desk.messages.at(0).text, "Error x2");
    QCOMPARE(w.desk.messages.at(0).caption, "CreateDialog");
}

void WindowTest::aboutBoxClosesFourWays() {
    QtDesktop desktop;
    QWidget owner;
    desktop.setOwner(&owner);
    const auto closeWith = [&desktop](const std::function<void(QDialog*)>& action) {
        QTimer::singleShot(0, [action] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(about);
            QCOMPARE(about->windowTitle(), "About");
            QCOMPARE(about->findChild<QLabel*>()->pixmap().size(), QSize(32, 32));
            action(about);
        });
        desktop.showAbout();  // returns once the box is closed
        QVERIFY(!QApplication::activeModalWidget());
    };
    closeWith([](QDialog* d) { QTest::keyClick(d, Qt::Key_Return); });
    closeWith([](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    closeWith([](QDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton); });
    closeWith([](QDialog* d) { d->close(); });
    QVERIFY(owner.isEnabled());
}

void WindowTest::paintsThePreviewAsTheToolDoes() {
    WindowUnderTest w;
    MainWindow* window = w.start();
    QTemporaryDir dir;
    const QString setup = dir.filePath("start.mpr"), png = dir.filePath("preview.png");
    w.desk.fileAnswers.push_back(setup.toStdString());
    savePreferences();
    QProcess cli;
    cli.start(HALCYONE_CLI, {"preview", setup, "-o", png});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const QImage tool = QImage(png).convertToFormat(QImage::Format_RGB32);

    const QImage shot = window->client().grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The frame and the keyboard on screen are the X11 test's (tests/window_x11_test.sh).
    QCOMPARE(shot.copy(350, 10, 200, 200), tool);
    // A covered and uncovered window paints the same again, from the kept preview.
    QCOMPARE(window->client().grab().toImage().convertToFormat(QImage::Format_RGB32), shot);
}

void WindowTest::composeDiscardsInputKeepsRepaintingAndStopsOnClose() {
    WindowUnderTest w;
    MainWindow* window = w.start();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    setLongCompose();
    auto* composeButton = w.control<QAbstractButton>(ControlId::Compose);
    auto* progress = w.control<SteppedProgressBar>(ControlId::Progress);
    int finished = 0;
    connect(window, &MainWindow::composeFinished, [&] { ++finished; });
    PaintCounter paints(progress);
    // A click on "Compose" while it runs: posted the way the window system would deliver it.
    QTimer::singleShot(0, [&] {
        QVERIFY(window->isComposing());
        QTest::mouseClick(composeButton, Qt::LeftButton);
        QTest::keyClick(w.control<QLineEdit>(ControlId::BarNumberEdit), Qt::Key_Up);
    });
    QTest::mouseClick(composeButton, Qt::LeftButton);
    QApplication::processEvents();
    QCOMPARE(finished, 1);
    QVERIFY2(paints.paints >= 2, "the progress bar repaints while Compose runs");
    QCOMPARE(progress->value(), 100);
    QCOMPARE(controlPosition(ControlId::BarNumber), 400);
    QCOMPARE(appState.composed, 1);
    QVERIFY(w.control<QAbstractButton>(ControlId::Play)->isEnabled());

    // Closing the window during a Compose stops it at once.
    appState.composed = 0;
    QElapsedTimer clock;
    QTimer::singleShot(0, window, [window] { window->close(); });
    clock.start();
    QTest::mouseClick(composeButton, Qt::LeftButton);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(finished, 2);
    QCOMPARE(appState.composed, 0);
}

void WindowTest::helpViewerShowsTheGuideOrSaysWhyNot() {
    QtDesktop desktop;
    QWidget owner;
    desktop.setOwner(&owner);
    desktop.openHelp(HALCYONE_HELP);
    auto* viewer = qobject_cast<QTextBrowser*>(desktop.helpViewer());
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QVERIFY(viewer->toPlainText().startsWith("Halcyone Help"));
    QCOMPARE(viewer->verticalScrollBar()->value(), 0);  // opened at its start
    desktop.openHelp("/nonexistent/halcyone.hlp");
    QCOMPARE(desktop.helpViewer(), viewer);
    QVERIFY(viewer->toPlainText().contains("/nonexistent/halcyone.hlp can't be shown"));
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
