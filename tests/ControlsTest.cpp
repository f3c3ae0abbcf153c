// The window's own controls under a real mouse: up-down arrows hand the focus to their edit,
// held arrows stop when their release is lost, a press held across a Compose changes nothing
// afterwards, lists drop down whole and show their fields from the start, and the number
// fields show the value in use after a rejected entry.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <functional>

#include "WindowTestSupport.h"
#include "ui/ArrowBar.h"
#include "ui/ArrowRepeat.h"
#include "ui/DialogGroupBox.h"
#include "ui/FlatCheckBox.h"
#include "ui/PictureButton.h"
#include "ui/ChoiceList.h"
#include "ui/InputGate.h"
#include "ui/UpDown.h"

using namespace halcyone;
using halcyone::testing::clickMouse;
using halcyone::testing::pressMouse;
using halcyone::testing::releaseMouse;
using halcyone::testing::WindowUnderTest;

namespace {

constexpr int longerThanARepeat = 600;  // ms: the first repeat comes after 400, then every 60

// What one held arrow moves: the arrow's widget, where to press it, and the value it changes.
struct HeldArrow {
    const char* name;
    std::function<QWidget*(MainWindow*)> widget;
    std::function<QPoint(QWidget*)> at;
    std::function<double()> value;
};

const HeldArrow heldArrows[] = {
    {"Bar Number up",
     [](MainWindow* w) { return static_cast<QWidget*>(qobject_cast<UpDown*>(w->control(ControlId::BarNumber))->arrow(true)); },
     [](QWidget* arrow) { return arrow->rect().center(); },
     [] { return double(controlPosition(ControlId::BarNumber)); }},
    {"pan right",
     [](MainWindow* w) { return w->control(ControlId::PanHorizontal); },
     [](QWidget* bar) { return qobject_cast<ArrowBar*>(bar)->arrowCentre(false); },
     [] { return appState.sharedView.X1; }},
};

// Ways a hold loses its release: each opens something, and closes it again at `close`.
struct LostRelease {
    const char* name;
    std::function<std::function<void()>(MainWindow*, QWidget*)> open;
};

const LostRelease lostReleases[] = {
    {"a modal dialog",
     [](MainWindow* window, QWidget*) {
         auto* box = new QMessageBox(QMessageBox::NoIcon, "Error", "Can't write", QMessageBox::Ok, window);
         box->open();
         return std::function<void()>([box] { delete box; });
     }},
    {"a pop-up menu",
     [](MainWindow* window, QWidget*) {
         auto* menu = new QMenu(window);
         menu->addAction("Save midi file...");
         menu->popup(window->mapToGlobal(QPoint(5, 5)));
         return std::function<void()>([menu] { delete menu; });
     }},
};

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY((window = w.emplace().startShown())); }
    void cleanup() { w.reset(); }

    void arrowsGiveTheirEditTheFocusSoTheSlideSpeedIsStored();
    void heldArrowsStopWhenTheirReleaseIsLost();
    void aRepeatEndsWhenTheButtonIsUp();
    void theComposeGateLetsReleasesThrough();
    void aPressHeldAcrossComposeChangesNothingAfterwards();
    void listsDropDownWholeAndShowTheirFieldsFromTheStart();
    void numberFieldsShowTheValueInUseAfterRejectedText();
    void onlyOneButtonWearsTheDefaultFrame();
    void theParameterBoxIsFlatAndTheColourButtonSunken();
    void groupFramesRunClearOfTheControlsTheyFrame();

private:
    std::optional<WindowUnderTest> w;
    MainWindow* window = nullptr;
};

void ControlsTest::arrowsGiveTheirEditTheFocusSoTheSlideSpeedIsStored() {
    auto* parameters = w->control<ChoiceList>(ControlId::Parameter);
    parameters->setFocus();
    QTest::keyClick(parameters, Qt::Key_Down);  // "Aftertouch"
    QToolButton* up = qobject_cast<UpDown*>(window->control(ControlId::SlideSpeed))->arrow(true);
    for (int i = 0; i < 3; ++i) clickMouse(up);
    auto* edit = w->control<QLineEdit>(ControlId::SlideSpeedEdit);
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->text(), "3");
    clickMouse(w->control<QAbstractButton>(ControlId::Channel2));
    QCOMPARE(appState.currentChannelIndex(), 1);
    QCOMPARE(appState.channels[0].slideSpeed[1], 3);
    QCOMPARE(edit->text(), "0");  // channel 2's own
    clickMouse(w->control<QAbstractButton>(ControlId::Channel1));
    QCOMPARE(edit->text(), "3");
}

void ControlsTest::heldArrowsStopWhenTheirReleaseIsLost() {
    for (const HeldArrow& arrow : heldArrows) {
        for (const LostRelease& lost : lostReleases) {
            QWidget* widget = arrow.widget(window);
            const double before = arrow.value();
            pressMouse(widget, arrow.at(widget));
            QTest::qWait(longerThanARepeat);
            QVERIFY2(arrow.value() != before, arrow.name);  // held, it repeats
            const auto close = lost.open(window, widget);
            QTest::qWait(100);
            const double stopped = arrow.value();
            QTest::qWait(longerThanARepeat);
            QVERIFY2(arrow.value() == stopped, qPrintable(QString("%1 steps on after %2").arg(arrow.name, lost.name)));
            close();
            QTest::qWait(longerThanARepeat);
            QVERIFY2(arrow.value() == stopped, qPrintable(QString("%1 steps again after %2").arg(arrow.name, lost.name)));
            releaseMouse(widget, arrow.at(widget));
            if (auto* button = qobject_cast<QToolButton*>(widget)) QVERIFY(!button->isDown());
        }
    }
}

void ControlsTest::aRepeatEndsWhenTheButtonIsUp() {
    // Started with no button down, as when the release went to another window: the first
    // repeat finds the button up and ends the hold.
    QWidget arrow;
    ArrowRepeat repeat(&arrow, [] { return true; });
    int steps = 0, lost = 0;
    connect(&repeat, &ArrowRepeat::step, [&] { ++steps; });
    connect(&repeat, &ArrowRepeat::lost, [&] { ++lost; });
    repeat.start();
    QTest::qWait(longerThanARepeat);
    QCOMPARE(steps, 1);
    QCOMPARE(lost, 1);
    QVERIFY(!repeat.isHeld());
}

void ControlsTest::theComposeGateLetsReleasesThrough() {
    // What arrives during a Compose: presses, keys and wheel turns are dropped, releases and
    // paints get through, and Escape asks the Compose to stop.
    QWidget target;
    QList<QEvent::Type> seen;
    struct Recorder : QObject {
        QList<QEvent::Type>* seen;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() != QEvent::ChildAdded && e->type() != QEvent::ChildPolished) seen->append(e->type());
            return false;
        }
    } recorder;
    recorder.seen = &seen;
    target.installEventFilter(&recorder);
    bool stop = false;
    {
        InputGate gate(stop);
        QVERIFY(InputGate::isClosed());
        QTest::mousePress(&target, Qt::LeftButton);
        QTest::mouseRelease(&target, Qt::LeftButton);
        QTest::keyPress(&target, Qt::Key_A);
        QTest::keyRelease(&target, Qt::Key_A);
        QVERIFY(!stop);
        QTest::keyClick(&target, Qt::Key_Escape);
        QVERIFY(stop);
    }
    QVERIFY(!InputGate::isClosed());
    QCOMPARE(seen, (QList<QEvent::Type>{QEvent::MouseButtonRelease, QEvent::KeyRelease, QEvent::KeyRelease}));
}

void ControlsTest::aPressHeldAcrossComposeChangesNothingAfterwards() {
    setControlPosition(ControlId::BarNumber, 200);
    QToolButton* tempoUp = qobject_cast<UpDown*>(window->control(ControlId::Tempo))->arrow(true);
    QWidget* pan = window->control(ControlId::PanVertical);
    const QPoint panDown = qobject_cast<ArrowBar*>(pan)->arrowCentre(false);
    for (QWidget* held : {static_cast<QWidget*>(tempoUp), pan}) {
        const QPoint at = held == pan ? panDown : tempoUp->rect().center();
        pressMouse(held, at);
        // Compose from the keyboard, and the mouse let go while it runs.
        const auto connection = connect(window, &MainWindow::composeStarted, [&] {
            QTimer::singleShot(0, [&] { releaseMouse(held, at); });
        });
        auto* compose = w->control<QPushButton>(ControlId::Compose);
        compose->setFocus();
        QTest::keyClick(compose, Qt::Key_Space);
        disconnect(connection);
        QCOMPARE(appState.composed, 1);
        const int tempo = controlPosition(ControlId::Tempo);
        const ViewRect view = appState.sharedView;
        QTest::qWait(longerThanARepeat);
        QCOMPARE(controlPosition(ControlId::Tempo), tempo);
        QCOMPARE(appState.sharedView, view);
        QVERIFY(!tempoUp->isDown());
    }
}

void ControlsTest::listsDropDownWholeAndShowTheirFieldsFromTheStart() {
    auto* instruments = w->control<ChoiceList>(ControlId::Instrument);
    instruments->showPopup();
    QAbstractItemView* view = instruments->view();
    QTRY_VERIFY(view->isVisible());
    QCOMPARE(view->textElideMode(), Qt::ElideNone);
    for (int i = 0; i < instruments->count(); ++i)
        QVERIFY2(view->sizeHintForIndex(view->model()->index(i, 0)).width() <= view->viewport()->width(),
                 qPrintable(instruments->itemText(i)));
    instruments->hidePopup();

    // A long name, tabbed through: shown from its start once the focus has gone.
    setControlSelection(ControlId::Instrument, 25);  // "Acoustic Guitar (nylon)"
    instruments->setFocus();
    instruments->lineEdit()->end(false);
    QTest::keyClick(instruments, Qt::Key_Tab);
    QVERIFY(!instruments->hasFocus());
    QCOMPARE(instruments->lineEdit()->cursorPosition(), 0);
}

void ControlsTest::numberFieldsShowTheValueInUseAfterRejectedText() {
    auto* bars = w->control<QLineEdit>(ControlId::BarNumberEdit);
    auto* tempo = w->control<QLineEdit>(ControlId::TempoEdit);
    for (const char* typed : {"7.5", "abc", "0", "1000"}) {
        bars->setFocus();
        bars->selectAll();
        QTest::keyClicks(bars, typed);
        QTest::keyClick(bars, Qt::Key_Tab);
        QCOMPARE(bars->text(), "5");
    }
    tempo->setFocus();
    tempo->selectAll();
    QTest::keyClicks(tempo, "12");
    QTest::keyClick(tempo, Qt::Key_Tab);
    QCOMPARE(tempo->text(), "120");
    bars->setFocus();
    bars->selectAll();
    QTest::keyClicks(bars, "12");
    QTest::keyClick(bars, Qt::Key_Tab);
    QCOMPARE(bars->text(), "12");
    QCOMPARE(controlPosition(ControlId::BarNumber), 12);
}

void ControlsTest::onlyOneButtonWearsTheDefaultFrame() {
    auto* compose = w->control<QPushButton>(ControlId::Compose);
    auto* play = w->control<QPushButton>(ControlId::Play);
    auto* stop = w->control<QPushButton>(ControlId::Stop);
    const auto defaults = [&] { return QList<bool>{compose->isDefault(), play->isDefault(), stop->isDefault()}; };
    QCOMPARE(defaults(), (QList<bool>{true, false, false}));
    play->setFocus(Qt::TabFocusReason);
    QCOMPARE(defaults(), (QList<bool>{false, true, false}));
    w->control<QLineEdit>(ControlId::TempoEdit)->setFocus(Qt::TabFocusReason);
    QCOMPARE(defaults(), (QList<bool>{true, false, false}));

    // A clicked channel button has the focus but draws no focus mark.
    auto* channel = w->control<QAbstractButton>(ControlId::Channel3);
    window->setAttribute(Qt::WA_KeyboardFocusChange);  // focus marks shown, as after a Tab
    clickMouse(channel);
    w->control<QLineEdit>(ControlId::TempoEdit)->setFocus(Qt::TabFocusReason);
    const QImage unfocused = channel->grab().toImage();
    clickMouse(channel);
    QVERIFY(channel->hasFocus());
    QCOMPARE(channel->grab().toImage(), unfocused);
}

void ControlsTest::theParameterBoxIsFlatAndTheColourButtonSunken() {
    auto* box = w->control<FlatCheckBox>(ControlId::ParamEnabled);
    QVERIFY(box);
    const QRect area = box->boxArea();
    QCOMPARE(area.size(), QSize(FlatCheckBox::boxSize, FlatCheckBox::boxSize));
    QVERIFY(box->rect().contains(area));  // all four sides inside the control
    QImage shot = box->grab().toImage();
    const QColor frame = box->palette().color(QPalette::WindowText), inside = box->palette().color(QPalette::Base);
    for (const QPoint& edge : {area.topLeft(), area.bottomRight(), QPoint(area.right(), area.top())})
        QCOMPARE(shot.pixelColor(edge), frame);
    QCOMPARE(shot.pixelColor(area.center()), inside);
    clickMouse(box);
    QCOMPARE(appState.channels[0].paramEnabled[0], 1);
    QVERIFY(box->grab().toImage().pixelColor(area.center()) != inside);  // the tick

    auto* colour = w->control<PictureButton>(ControlId::ChannelColour);
    shot = colour->grab().toImage();
    const QColor background = window->palette().color(QPalette::Window);
    for (int inset = 0; inset < PictureButton::sunkenEdgeWidth; ++inset)
        QVERIFY(shot.pixelColor(inset, colour->height() / 2) != background);
}

void ControlsTest::groupFramesRunClearOfTheControlsTheyFrame() {
    for (DialogGroupBox* group : window->client().findChildren<DialogGroupBox*>()) {
        const QRect frame = group->frameArea().translated(group->pos());
        // The etched frame's four lines, two pixels wide.
        const QRect lines[] = {QRect(frame.left(), frame.top(), frame.width(), 2),
                               QRect(frame.left(), frame.bottom() - 1, frame.width(), 2),
                               QRect(frame.left(), frame.top(), 2, frame.height()),
                               QRect(frame.right() - 1, frame.top(), 2, frame.height())};
        for (QWidget* control : window->client().findChildren<QWidget*>()) {
            if (control->parentWidget() != &window->client() || qobject_cast<DialogGroupBox*>(control) ||
                !control->isVisible() || !frame.adjusted(2, 2, -2, -2).intersects(control->geometry()))
                continue;
            for (const QRect& line : lines)
                QVERIFY2(!line.intersects(control->geometry()),
                         qPrintable(QString("the frame of \"%1\" runs through %2 at %3,%4")
                                        .arg(group->title(), control->metaObject()->className())
                                        .arg(control->x()).arg(control->y())));
        }
    }
}

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
