// The window from start-up to quit: its start state, the port list, the ways start-up ends early,
// what it paints, and Compose keeping the window alive but closed to input.
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "WindowTestSupport.h"
#include "files/Preferences.h"
#include "fractal/PreviewGrid.h"
#include "compose/ComposeCommand.h"
#include "ui/SteppedProgressBar.h"

using namespace halcyone;
using halcyone::testing::WindowUnderTest;

namespace {

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
    void paintsThePreviewAsTheToolDoes();
    void composeDiscardsInputAndRunsTheEventLoop();
    void escapeStopsComposeAndLeavesNoComposition();
    void closingDuringComposeStopsAndQuits();
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

void WindowTest::paintsThePreviewAsTheToolDoes() {
    WindowUnderTest w;
    MainWindow* window = w.start();
    QTemporaryDir dir;
    const QString setup = dir.filePath("start.mpr"), png = dir.filePath("preview.png");
    w.desk.fileAnswers.push_back(setup.toStdString());
    QVERIFY(savePreferences().ok());
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

void WindowTest::composeDiscardsInputAndRunsTheEventLoop() {
    WindowUnderTest w;
    MainWindow* window = w.startShown();
    QVERIFY(window);
    setLongCompose();
    auto* composeButton = w.control<QAbstractButton>(ControlId::Compose);
    auto* progress = w.control<SteppedProgressBar>(ControlId::Progress);
    // Passes of the event loop while Compose runs: without them nothing repaints, however
    // often the progress bar paints itself.
    int passes = 0;
    bool composing = false;
    connect(window, &MainWindow::composeStarted, [&] { composing = true; });
    connect(window, &MainWindow::composeFinished, [&] { composing = false; });
    QObject listening;  // ends the connection before the locals it reads go
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &listening, [&] {
        if (composing) ++passes;
    });
    Qt::CursorShape cursor = Qt::ArrowCursor;
    // A click on "Compose" and a key while it runs, posted the way the window system delivers them.
    QTimer::singleShot(0, [&] {
        QVERIFY(window->isComposing());
        cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        QTest::mouseClick(composeButton, Qt::LeftButton);
        QTest::keyClick(w.control<QLineEdit>(ControlId::BarNumberEdit), Qt::Key_Up);
    });
    QTest::mouseClick(composeButton, Qt::LeftButton);
    QApplication::processEvents();
    QVERIFY2(passes >= 2, qPrintable(QString("%1 event-loop passes during Compose").arg(passes)));
    QCOMPARE(cursor, Qt::WaitCursor);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(progress->value(), 100);
    QCOMPARE(controlPosition(ControlId::BarNumber), 400);
    QCOMPARE(appState.composed, 1);
    QVERIFY(w.control<QAbstractButton>(ControlId::Play)->isEnabled());
}

void WindowTest::escapeStopsComposeAndLeavesNoComposition() {
    WindowUnderTest w;
    MainWindow* window = w.startShown();
    QVERIFY(window);
    setLongCompose();
    auto* composeButton = w.control<QAbstractButton>(ControlId::Compose);
    QTest::mouseClick(composeButton, Qt::LeftButton);
    QCOMPARE(appState.composed, 1);
    QVERIFY(eventCount(appState.channels[0].events) > 0);

    // A second Compose stopped with Escape: neither its half nor the earlier piece is left.
    const auto connection = connect(window, &MainWindow::composeStarted, [&] {
        QTimer::singleShot(0, [&] { QTest::keyClick(window, Qt::Key_Escape); });
    });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(composeButton, Qt::LeftButton);
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(window->isVisible());
    QCOMPARE(appState.composed, 0);
    for (const Channel& c : appState.channels) QCOMPARE(eventCount(c.events), 0);
    QCOMPARE(w.control<SteppedProgressBar>(ControlId::Progress)->value(), 0);
    QVERIFY(w.control<QAbstractButton>(ControlId::Play)->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    // The next Compose runs to its end.
    disconnect(connection);
    QTest::mouseClick(composeButton, Qt::LeftButton);
    QCOMPARE(appState.composed, 1);
}

void WindowTest::closingDuringComposeStopsAndQuits() {
    WindowUnderTest w;
    MainWindow* window = w.startShown();
    QVERIFY(window);
    setLongCompose();
    int finished = 0;
    connect(window, &MainWindow::composeFinished, [&] { ++finished; });
    QTimer::singleShot(0, window, [window] { window->close(); });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w.control<QAbstractButton>(ControlId::Compose), Qt::LeftButton);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(finished, 1);
    QCOMPARE(appState.composed, 0);
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
