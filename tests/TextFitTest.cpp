// Every text the window shows fits its control at the window's font: captions, every entry of
// every list (closed where the field is meant to hold it, dropped down always), every note
// name and the read-outs at their longest. The same window at DejaVu Sans, the desktop's usual
// sans-serif, does not fit: the check can tell.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QtTest>

#include "WindowTestSupport.h"
#include "compose/ControlTexts.h"
#include "compose/NotePools.h"
#include "fractal/PreviewGrid.h"
#include "ui/ChannelButton.h"
#include "ui/ChoiceList.h"
#include "ui/DialogFont.h"
#include "ui/DialogGroupBox.h"
#include "ui/LeftTextCheckBox.h"
#include "ui/PictureButton.h"

using namespace halcyone;
using halcyone::testing::WindowUnderTest;

namespace {

// The right edge of the text's ink, drawn from x = 0: what must lie inside the room.
int widthOf(const QWidget* w, const QString& text) {
    const QRect ink = w->fontMetrics().boundingRect(text);
    return ink.x() + ink.width();
}

class FitCheck {
public:
    void expectFits(const QWidget* w, const QString& text, int room, const char* what) {
        const int needed = widthOf(w, text);
        if (needed > room)
            problems << QString("%1 \"%2\": %3 px in %4").arg(what, text).arg(needed).arg(room);
    }
    QStringList problems;
};

int labelRoom(const QLabel* label) {
    const int indent = label->indent() >= 0 ? label->indent()
                       : label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance('x') / 2 : 0;
    return label->contentsRect().width() - indent;
}

int buttonRoom(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.features = button->isDefault() ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

int fieldRoom(const ChoiceList* list) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = true;
    const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, list);
    const QMargins margins = list->lineEdit()->textMargins();
    // A line edit keeps two pixels clear at each side of its text.
    return field.width() - margins.left() - margins.right() - 4;
}

QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries;
}

// The lists whose closed field holds every entry. The layout gives the instrument, device and
// mode lists fields too narrow for their longest names ("Average amount" needs 74 pixels, the
// mode field has 47): those show a name from its start, hold the entries of the start state
// whole, and show every entry whole when dropped down.
bool fieldHoldsEveryEntry(ControlId id) {
    return id == ControlId::Scale || id == ControlId::Parameter || id == ControlId::NoteLength;
}

QStringList problemsOf(MainWindow* window, const WindowUnderTest& w) {
    FitCheck check;
    for (QWidget* child : window->client().findChildren<QWidget*>()) {
        if (auto* button = qobject_cast<ChannelButton*>(child)) {
            for (std::string_view name : instrumentNames)
                check.expectFits(button, QString::fromUtf8(name.data(), name.size()),
                                 button->width() - ChannelButton::textIndent - 2, "channel button");
        } else if (auto* group = qobject_cast<DialogGroupBox*>(child)) {
            check.expectFits(group, group->title(), group->width() - 2 * DialogGroupBox::captionIndent, "group");
        } else if (auto* box = qobject_cast<LeftTextCheckBox*>(child)) {
            check.expectFits(box, box->text(), box->textArea().width(), "check box");
        } else if (auto* button = qobject_cast<QPushButton*>(child)) {
            if (!qobject_cast<PictureButton*>(button)) check.expectFits(button, button->text(), buttonRoom(button), "button");
        } else if (auto* label = qobject_cast<QLabel*>(child); label && label->frameShape() == QFrame::NoFrame) {
            check.expectFits(label, label->text(), labelRoom(label), "label");
            if (label->fontMetrics().height() > label->height()) check.problems << label->text() + " is too low";
        }
    }
    for (ControlId id : {ControlId::ReadoutX1, ControlId::ReadoutY1, ControlId::ReadoutX2, ControlId::ReadoutY2}) {
        auto* readout = w.control<QLabel>(id);
        for (double v : {-8.888888888e-100, -8.888888888e+100, -6.597222222e-5, -0.8888888888, -8888888888.0})
            check.expectFits(readout, QString::fromStdString(formatCoordinate(v)), labelRoom(readout), "read-out");
    }
    for (ControlId id : {ControlId::LowNoteName, ControlId::HighNoteName})
        for (int note = 0; note < midiNoteCount; ++note)
            check.expectFits(w.control<QLabel>(id), QString::fromStdString(noteName(note)),
                             labelRoom(w.control<QLabel>(id)), "note name");
    for (ControlId id : {ControlId::BarNumberEdit, ControlId::TempoEdit, ControlId::SlideSpeedEdit}) {
        auto* edit = w.control<QLineEdit>(id);
        check.expectFits(edit, "999", edit->contentsRect().width() - 4, "number field");
    }
    for (ControlId id : {ControlId::MidiDevice, ControlId::Instrument, ControlId::Mode, ControlId::Parameter,
                         ControlId::Scale, ControlId::NoteLength}) {
        auto* list = w.control<ChoiceList>(id);
        list->showPopup();
        QAbstractItemView* view = list->view();
        for (int i = 0; i < list->count(); ++i) {
            if (view->sizeHintForIndex(view->model()->index(i, 0)).width() > view->viewport()->width())
                check.problems << QString("dropped-down entry \"%1\" wider than its list").arg(list->itemText(i));
        }
        list->hidePopup();
        const QStringList held = fieldHoldsEveryEntry(id) ? entriesOf(list) : QStringList{list->currentText()};
        for (const QString& entry : held) check.expectFits(list, entry, fieldRoom(list), "list field");
    }
    return check.problems;
}

}  // namespace

class TextFitTest : public QObject {
    Q_OBJECT
private slots:
    void everyTextFitsAtTheWindowsFont();
    void theCheckFindsClippingAtDejaVuSans();
    void theWindowsFontHasTheDialogMetrics();
};

void TextFitTest::everyTextFitsAtTheWindowsFont() {
    WindowUnderTest w;
    MainWindow* window = w.start();
    QVERIFY(window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->font().family(), builtInFontFamily());
    const QStringList problems = problemsOf(window, w);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
}

void TextFitTest::theCheckFindsClippingAtDejaVuSans() {
    if (!QFontDatabase::families().contains("DejaVu Sans")) QSKIP("DejaVu Sans is not installed");
    WindowUnderTest w;
    QFile file(mainDialogTemplate);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    ParsedTemplate parsed = parseDialogTemplate(std::string_view(text.constData(), text.size()));
    QVERIFY(parsed.dialog);
    parsed.dialog->fontFamily = "DejaVu Sans";
    playbackState.serviceFactory = ScriptedMusicService::factory(w.script);
    w.window = std::make_unique<MainWindow>(*parsed.dialog);
    QVERIFY(w.window->initialise());
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QCOMPARE(w.window->font().family(), "DejaVu Sans");
    const QStringList problems = problemsOf(w.window.get(), w);
    QVERIFY2(!problems.isEmpty(), "nothing clipped at DejaVu Sans");
    qInfo("At DejaVu Sans: %s", qPrintable(problems.first()));
}

void TextFitTest::theWindowsFontHasTheDialogMetrics() {
    const QFont font = dialogFont();
    QCOMPARE(font.family(), QString("Liberation Sans"));
    const double average =
        QFontMetricsF(font).horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
    QVERIFY2(std::abs(average - dialogAverageLetterWidth) < 0.5, qPrintable(QString::number(average)));
    // A family that is not installed falls back to the desktop's sans-serif.
    QVERIFY(dialogFont("No Such Family 1234").family() != "No Such Family 1234");
}

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
