// The window's commands driven as a user drives them: clicks, keys and menu items, with the
// scripted desktop answering the dialogs; and a whole session from loading a set-up to saving
// the piece, checked against the command-line tool.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <iterator>

#include "WindowTestSupport.h"
#include "compose/ControlSync.h"
#include "compose/NotePools.h"
#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"
#include "files/PreferencesCodec.h"
#include "ui/PictureButton.h"
#include "ui/QtColour.h"
#include "ui/QtDesktop.h"
#include "ui/SwatchMenu.h"
#include "ui/ChoiceList.h"
#include "ui/SteppedProgressBar.h"

using namespace halcyone;
using halcyone::testing::chooseMenuItem;
using halcyone::testing::fileBytes;
using halcyone::testing::WindowUnderTest;

namespace {

// Clicks one arrow of a scroll bar: the upper (left) one or the lower (right) one.
void clickArrow(QWidget* bar, bool back) {
    const bool vertical = bar->height() > bar->width();
    const QPoint at = vertical ? QPoint(bar->width() / 2, back ? 2 : bar->height() - 3)
                               : QPoint(back ? 2 : bar->width() - 3, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, at);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
}

// Everything the controls show, for comparing two states of the window.
QStringList controlsShown(MainWindow* window) {
    QStringList shown;
    for (QWidget* w : window->client().findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w)) shown << label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) shown << edit->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            shown << button->text() + (button->isChecked() ? "*" : "");
    }
    return shown;
}

}  // namespace

class WindowCommandsUiTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY((window = w.emplace().startShown())); }
    void cleanup() { w.reset(); }

    void noteRangeArrowsClampAndShowTheNames();
    void slideSpeedIsStoredWhenTheEditLosesTheFocus();
    void listsTakeOnlyAChoicePickedFromThem();
    void channelButtonsAutoColoursAndRandomize();
    void keyboardClicksAndFillKeys();
    void playBeforeComposeAndEscape();
    void aColourPickedWithTheMouseIsShownSavedAndComposed();
    void theMouseFramesTheViewAndCtrlZTakesItBack();
    void aSetUpOpensFromTheCommandLineOrADrop();
    void aWholeSessionMatchesTheCommandLineTool();

private:
    std::optional<WindowUnderTest> w;
    MainWindow* window = nullptr;
};

void WindowCommandsUiTest::noteRangeArrowsClampAndShowTheNames() {
    Channel& c = appState.channels[0];
    QWidget* from = window->control(ControlId::LowNoteArrows);
    QWidget* to = window->control(ControlId::HighNoteArrows);
    c.lowNote = c.highNote = 71;
    clickArrow(from, true);
    clickArrow(to, false);
    QCOMPARE(c.lowNote, 71);
    QCOMPARE(c.highNote, 71);
    clickArrow(from, false);
    QCOMPARE(c.lowNote, 70);
    QCOMPARE(w->control<QLabel>(ControlId::LowNoteName)->text(), QString::fromStdString(noteName(70)));
    c.lowNote = c.highNote = 95;
    clickArrow(from, true);
    clickArrow(to, true);
    QCOMPARE(c.highNote, 95);
    c.lowNote = 0;
    clickArrow(from, false);
    QCOMPARE(c.lowNote, 0);
    // The pan arrows move the view; the bar between them does nothing.
    QWidget* pan = window->control(ControlId::PanHorizontal);
    QTest::mouseClick(pan, Qt::LeftButton, {}, QPoint(pan->width() / 2, pan->height() / 2));
    QCOMPARE(appState.sharedView, ViewRect{});
    clickArrow(pan, false);
    QCOMPARE(w->control<QLabel>(ControlId::ReadoutX1)->text(), "-1.7");
}

void WindowCommandsUiTest::slideSpeedIsStoredWhenTheEditLosesTheFocus() {
    auto* edit = w->control<QLineEdit>(ControlId::SlideSpeedEdit);
    auto* parameters = w->control<ChoiceList>(ControlId::Parameter);
    parameters->setFocus();
    QTest::keyClick(parameters, Qt::Key_Down);  // "Aftertouch"
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "500");
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(appState.channels[0].slideSpeed[1], 100);
    QCOMPARE(edit->text(), "100");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "slow");
    parameters->setFocus();  // the edit loses the focus to the list: stored for "Aftertouch"
    QCOMPARE(appState.channels[0].slideSpeed[1], 0);
    QTest::keyClick(parameters, Qt::Key_Up);  // "Pitch Wheel": its own row
    QCOMPARE(edit->text(), "0");
    QVERIFY(!w->control<QAbstractButton>(ControlId::ParamEnabled)->isChecked());
}

void WindowCommandsUiTest::listsTakeOnlyAChoicePickedFromThem() {
    auto* instruments = w->control<ChoiceList>(ControlId::Instrument);
    instruments->setFocus();
    QTest::keyClicks(instruments->lineEdit(), "Violin");
    QTest::keyClick(instruments->lineEdit(), Qt::Key_Return);
    w->control<QLineEdit>(ControlId::TempoEdit)->setFocus();
    QCOMPARE(appState.channels[0].instrument, 0);
    QCOMPARE(controlSelection(ControlId::Instrument), -1);
    instruments->setFocus();
    QTest::keyClick(instruments, Qt::Key_Down);
    QCOMPARE(appState.channels[0].instrument, 1);
    QCOMPARE(w->control<QAbstractButton>(ControlId::Channel1)->text(), "Acoustic Grand Piano");
    // Picked from the dropped-down list.
    auto* modes = w->control<ChoiceList>(ControlId::Mode);
    modes->showPopup();
    QAbstractItemView* view = modes->view();
    QTRY_VERIFY(view->isVisible());
    const QRect item = view->visualRect(view->model()->index(3, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(appState.channels[0].mode, 3);
}

void WindowCommandsUiTest::channelButtonsAutoColoursAndRandomize() {
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Channel4), Qt::LeftButton);
    QCOMPARE(appState.currentChannelIndex(), 3);
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::AutoColours), Qt::LeftButton);
    QCOMPARE(appState.currentChannelIndex(), 3);
    QVERIFY(w->control<QAbstractButton>(ControlId::Channel4)->isChecked());
    for (int k = 0; k < channelCount; ++k) QCOMPARE(appState.channels[k].colour, appState.palette[k]);

    // The colour menu: dismissed changes nothing, a chosen swatch becomes the colour.
    w->desk.swatchAnswers = {0, 5};
    const Colour autoColour = appState.channels[3].colour;
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::ChannelColour), Qt::LeftButton);
    QCOMPARE(appState.channels[3].colour, autoColour);
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::ChannelColour), Qt::LeftButton);
    QCOMPARE(appState.channels[3].colour, appState.palette[4]);
    QCOMPARE(appState.channels[3].colourIndex, 4);

    QTest::mouseClick(w->control<QAbstractButton>(ControlId::DifferentSet), Qt::LeftButton);
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Randomize), Qt::LeftButton);
    QVERIFY(appState.sharedView != ViewRect{});
    for (const Channel& c : appState.channels) QVERIFY(c.view != ViewRect{});
    QCOMPARE(w->control<QLabel>(ControlId::ReadoutX1)->text(),
             QString::fromStdString(formatCoordinate(appState.channels[3].view.X1)));
}

void WindowCommandsUiTest::keyboardClicksAndFillKeys() {
    ClientArea& client = window->client();
    QTest::mouseClick(&client, Qt::LeftButton, {}, QPoint(333, 350));
    QCOMPARE(appState.channels[0].keys[60], 1);
    QCOMPARE(client.grab().toImage().pixel(333, 350), qRgb(255, 255, 255));
    QTest::mouseClick(&client, Qt::LeftButton, {}, QPoint(338, 320));
    QCOMPARE(appState.channels[0].keys[61], 1);
    QTest::mouseClick(&client, Qt::LeftButton, {}, QPoint(333, 350));
    QCOMPARE(appState.channels[0].keys[60], 0);
    QTest::mouseClick(&client, Qt::LeftButton, {}, QPoint(450, 100));  // the preview: nothing
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::FillKeys), Qt::LeftButton);
    KeySelection major{};
    for (int n : {48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67, 69, 71}) major[n] = 1;
    QCOMPARE(appState.channels[0].keys, major);
    const QImage shot = client.grab().toImage();
    QCOMPARE(shot.pixel(333, 350), qRgb(255, 255, 255));  // 60 selected again
    QCOMPARE(shot.pixel(338, 320), qRgb(52, 78, 199));    // 61 cleared
}

void WindowCommandsUiTest::playBeforeComposeAndEscape() {
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Play), Qt::LeftButton);
    QCOMPARE(w->desk.messages.size(), 1u);
    QCOMPARE(w->desk.messages[0].text, "Error loading file");
    QCOMPARE(w->desk.messages[0].caption, "Error");
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(window->isVisible());
    QCOMPARE(w->desk.messages.size(), 1u);
    // The file commands' failures too are the window's to tell.
    w->desk.fileAnswers = {"/nonexistent/folder/setup.mpr"};
    chooseMenuItem(window, "Save preferences...");
    QCOMPARE(w->desk.messages.size(), 2u);
    QCOMPARE(w->desk.messages[1].text, "Can't create");
    QCOMPARE(w->desk.messages[1].caption, "Error");
    chooseMenuItem(window, "Help");
    QCOMPARE(w->desk.helpOpened.size(), 1u);
    QVERIFY(QString::fromStdString(w->desk.helpOpened[0]).endsWith(".hlp"));
}

void WindowCommandsUiTest::aWholeSessionMatchesTheCommandLineTool() {
    QTemporaryDir dir;
    w->desk.fileAnswers = {std::string(HALCYONE_EXAMPLES "/seahorse-valley.mpr")};
    chooseMenuItem(window, "Load preferences...");
    QVERIFY(w->desk.messages.empty());
    QVERIFY(w->control<QAbstractButton>(ControlId::Channel1)->text() != "Off");

    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Channel2), Qt::LeftButton);
    auto* instruments = w->control<ChoiceList>(ControlId::Instrument);
    instruments->setFocus();
    QTest::keyClick(instruments, Qt::Key_Down);
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Channel5), Qt::LeftButton);
    auto* modes = w->control<ChoiceList>(ControlId::Mode);
    modes->setFocus();
    QTest::keyClick(modes, Qt::Key_Down);
    QTest::mouseClick(&window->client(), Qt::LeftButton, {}, QPoint(333, 350));
    const int instrument2 = appState.channels[1].instrument;

    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Compose), Qt::LeftButton);
    const QString midi = dir.filePath("piece.mid"), setup = dir.filePath("piece.mpr");
    w->desk.fileAnswers = {midi.toStdString(), setup.toStdString()};
    chooseMenuItem(window, "Save midi file...");
    chooseMenuItem(window, "Save preferences...");
    QVERIFY(w->desk.messages.empty());

    QProcess cli;
    cli.start(HALCYONE_CLI, {"compose", setup, "-o", dir.filePath("tool.mid")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(!fileBytes(midi).empty());
    QVERIFY(fileBytes(midi) == fileBytes(dir.filePath("tool.mid")));

    // Loading the saved set-up again shows exactly what was on screen.
    const QStringList before = controlsShown(window);
    const QImage keysBefore = window->client().grab().toImage().copy(20, 310, 539, 48);
    appState.channels[1].instrument = 0;
    appState.channels[4].keys.fill(0);
    w->desk.fileAnswers = {setup.toStdString()};
    chooseMenuItem(window, "Load preferences...");
    QCOMPARE(appState.channels[1].instrument, instrument2);
    QCOMPARE(controlsShown(window), before);
    QCOMPARE(window->client().grab().toImage().copy(20, 310, 539, 48), keysBefore);
}

void WindowCommandsUiTest::aColourPickedWithTheMouseIsShownSavedAndComposed() {
    QTemporaryDir dir;
    w->desk.fileAnswers = {std::string(HALCYONE_EXAMPLES "/seahorse-valley.mpr")};
    chooseMenuItem(window, "Load preferences...");
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Compose), Qt::LeftButton);
    const int notesBefore = eventCount(appState.channels[0].events);

    // The real pop-up, clicked: the palette's fourth swatch, not the channel's colour now.
    QtDesktop qtDesktop;
    qtDesktop.setOwner(window);
    {
        ScopedDesktop scope(qtDesktop);
        testing::whenShown([](QWidget* shown) {
            auto* menu = qobject_cast<SwatchMenu*>(shown);
            QVERIFY(menu);
            QWidget* item = menu->item(4);
            QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, item->mapTo(menu, item->rect().center()));
        });
        QVERIFY(appState.channels[0].colour != appState.palette[3]);
        testing::clickMouse(window->control(ControlId::ChannelColour));
    }
    const Colour picked = appState.palette[3];
    QCOMPARE(appState.channels[0].colour, picked);
    QCOMPARE(appState.channels[0].colourIndex, 3);
    auto* button = w->control<PictureButton>(ControlId::ChannelColour);
    QCOMPARE(button->grab().toImage().pixelColor(button->rect().center()), qColour(picked));

    const QString setup = dir.filePath("picked.mpr"), midi = dir.filePath("picked.mid");
    w->desk.fileAnswers = {setup.toStdString()};
    chooseMenuItem(window, "Save preferences...");
    const std::vector<char> bytes = fileBytes(setup);
    const DecodedPreferences saved = decodePreferences(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    QVERIFY(saved.ok());
    QCOMPARE(saved.preferences.channels[0].colour, picked);

    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Compose), Qt::LeftButton);
    QVERIFY(eventCount(appState.channels[0].events) != notesBefore);
    w->desk.fileAnswers = {midi.toStdString()};
    chooseMenuItem(window, "Save midi file...");
    QProcess cli;
    cli.start(HALCYONE_CLI, {"compose", setup, "-o", dir.filePath("tool.mid")});
    QVERIFY(cli.waitForFinished(60000));
    QVERIFY(fileBytes(midi) == fileBytes(dir.filePath("tool.mid")));
}

void WindowCommandsUiTest::theMouseFramesTheViewAndCtrlZTakesItBack() {
    ClientArea& client = window->client();
    const auto at = [](int i, int j) { return previewOrigin + QPoint(i, j); };
    const auto fraction = [](int pixel) { return pixel * previewStep; };
    ViewRect expected;

    testing::clickMouse(&client, at(40, 150));
    zoomInAt(expected, fraction(40), fraction(150));
    QCOMPARE(appState.sharedView, expected);
    QTest::mouseClick(client.window()->windowHandle(), Qt::RightButton, {}, testing::inWindow(&client, at(199, 3)));
    zoomOutAt(expected, fraction(199), fraction(3));
    QCOMPARE(appState.sharedView, expected);
    QCOMPARE(w->control<QLabel>(ControlId::ReadoutX1)->text(), QString::fromStdString(formatCoordinate(expected.X1)));

    // A drag, shown as the square it frames while the button is down.
    testing::pressMouse(&client, at(120, 20));
    QTest::mouseMove(client.window()->windowHandle(), testing::inWindow(&client, at(60, 50)));
    const QImage dragging = client.grab().toImage();
    QCOMPARE(dragging.pixelColor(at(60, 35)), QColor(Qt::white));  // the square's left edge at 90 - 30
    testing::releaseMouse(&client, at(60, 50));
    frameArea(expected, fraction(60), fraction(5), fraction(120), fraction(65));
    QCOMPARE(appState.sharedView, expected);

    // Two notches of the wheel in, one out.
    const auto wheel = [&](int i, int j, int angle) {
        QWheelEvent turn(at(i, j), client.mapToGlobal(at(i, j)), {}, QPoint(0, angle), Qt::NoButton, {},
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(&client, &turn);
    };
    wheel(10, 190, 2 * ClientArea::wheelNotch);
    zoomInAt(expected, fraction(10), fraction(190));
    zoomInAt(expected, fraction(10), fraction(190));
    QCOMPARE(appState.sharedView, expected);
    wheel(10, 190, -ClientArea::wheelNotch / 2);
    QCOMPARE(appState.sharedView, expected);  // half a notch: not yet
    wheel(10, 190, -ClientArea::wheelNotch / 2);
    zoomOutAt(expected, fraction(10), fraction(190));
    QCOMPARE(appState.sharedView, expected);

    // With a view for each channel, the mouse acts on channel 3's; Ctrl+Z takes back its change.
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::DifferentSet), Qt::LeftButton);
    QTest::mouseClick(w->control<QAbstractButton>(ControlId::Channel3), Qt::LeftButton);
    const ViewRect shared = appState.sharedView;
    testing::clickMouse(&client, at(100, 100));
    QVERIFY(appState.channels[2].view != ViewRect{});
    QCOMPARE(appState.sharedView, shared);
    // The focus rests in a list's field, as it does after start-up: with no typing to undo
    // there, the keys go to the view.
    auto* devices = w->control<ChoiceList>(ControlId::MidiDevice);
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(appState.channels[2].view, ViewRect{});
    devices->setFocus();  // the shortcut's keys went to the window
    // Typing in a field is undone first.
    auto* tempo = w->control<QLineEdit>(ControlId::TempoEdit);
    tempo->setFocus();
    tempo->selectAll();
    QTest::keyClicks(tempo, "99");
    QTest::keyClick(tempo, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(tempo->text(), "120");
    QCOMPARE(appState.channels[2].view, ViewRect{});
    window->client().setFocus();
    QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(appState.channels[2].view != ViewRect{});
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(appState.channels[2].view != ViewRect{});
    // Clicks beside the preview and on the keyboard do what they did.
    testing::clickMouse(&client, QPoint(333, 350));
    QCOMPARE(appState.channels[2].keys[60], 1);
}

void WindowCommandsUiTest::aSetUpOpensFromTheCommandLineOrADrop() {
    const QString seahorse = HALCYONE_EXAMPLES "/seahorse-valley.mpr";
    QCOMPARE(std::get<QString>(setUpFromCommandLine({"halcyone", seahorse})), seahorse);
    QCOMPARE(std::get<QString>(setUpFromCommandLine({"halcyone"})), QString());
    QCOMPARE(std::get<int>(setUpFromCommandLine({"halcyone", "a.mpr", "b.mpr"})), 2);
    QCOMPARE(std::get<int>(setUpFromCommandLine({"halcyone", "--no-such-option"})), 2);

    // A bad file named on the command line: the load's own message, and the defaults stay.
    QTemporaryDir dir;
    const QString shortFile = dir.filePath("short.mpr");
    QFile bad(shortFile);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(100, '\0'));
    bad.close();
    const QStringList startState = controlsShown(window);
    window->loadSetUpFrom(shortFile.toStdString());
    QCOMPARE(w->desk.messages.size(), 1u);
    QCOMPARE(w->desk.messages[0].caption, "Error");
    QCOMPARE(controlsShown(window), startState);
    window->loadSetUpFrom(seahorse.toStdString());
    const QStringList loaded = controlsShown(window);
    QVERIFY(loaded != startState);

    // Dropped on the window. The number fields take no text from a drop, so that a drop over
    // them reaches the window too.
    appState.channels[0].instrument = 0;
    labelChannelButtons();
    auto drop = [&](const QString& file, QWidget* target) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = target->mapTo(window, target->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(window, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        if (enter.isAccepted()) QApplication::sendEvent(window, &dropped);
        return enter.isAccepted();
    };
    QVERIFY(!drop(dir.filePath("notes.txt"), window));
    QVERIFY(drop(seahorse, w->control<QLineEdit>(ControlId::TempoEdit)));
    QCOMPARE(controlsShown(window), loaded);
    QVERIFY(!w->control<QLineEdit>(ControlId::TempoEdit)->acceptDrops());
}

QTEST_MAIN(WindowCommandsUiTest)
#include "WindowCommandsUiTest.moc"
