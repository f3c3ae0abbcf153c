// The window's desktop pieces as the user meets them: the real Qt widgets driven with real mouse
// and key events (the swatch pop-up, the colour chooser, the file dialog, the message boxes, the
// help viewer and the About box).
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <functional>

#include "WindowTestSupport.h"
#include "ui/HelpViewer.h"
#include "ui/QtColour.h"
#include "ui/QtDesktop.h"
#include "ui/SwatchMenu.h"

using namespace halcyone;
using halcyone::testing::whenShown;

namespace {

void clickIn(QWidget* top, QWidget* target, QPoint at) {
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, target->mapTo(top, at));
}

SwatchColours someSwatches() {
    SwatchColours swatches{};
    for (int i = 0; i < swatchMenuSize; ++i) swatches[static_cast<std::size_t>(i)] = makeColour(12 * i, 200 - 7 * i, 5 * i);
    return swatches;
}

// Whether the item shows the highlight behind its swatch, and whether it carries the tick.
bool highlighted(QWidget* item) {
    return item->grab().toImage().pixelColor(SwatchMenu::tickColumn + 1, 1) == item->palette().highlight().color();
}
bool ticked(QWidget* item) {
    const QImage tick = item->grab().toImage().copy(0, 0, SwatchMenu::tickColumn, item->height());
    const QColor background = tick.pixelColor(0, 0);
    for (int y = 0; y < tick.height(); ++y)
        for (int x = 0; x < tick.width(); ++x)
            if (tick.pixelColor(x, y) != background) return true;
    return false;
}

}  // namespace

class DesktopPiecesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        owner = std::make_unique<QWidget>();
        owner->resize(200, 100);
        owner->show();
        desktop.setOwner(owner.get());
    }
    void cleanup() { owner.reset(); }

    void swatchPopUpChoosesWithAClick();
    void swatchPopUpHighlightsForTheKeyboard();
    void colourChooserTakesATypedColourAndKeepsCustomColours();
    void fileDialogTakesATypedNameWithoutAnOverwriteQuestion();
    void exportDialogFollowsTheChosenFilterAndTakesItsOption();
    void messageBoxesCloseWithTheirButton();
    void helpViewerNavigatesAndCloses();
    void aboutBoxClosesFourWays();

private:
    QtDesktop desktop;
    std::unique_ptr<QWidget> owner;
};

void DesktopPiecesTest::swatchPopUpChoosesWithAClick() {
    const SwatchColours swatches = someSwatches();
    whenShown([](QWidget* shown) {
        auto* menu = qobject_cast<SwatchMenu*>(shown);
        QVERIFY(menu);
        QVERIFY(ticked(menu->item(3)));
        QVERIFY(!ticked(menu->item(4)));
        QCOMPARE(menu->item(7)->grab().toImage().pixelColor(SwatchMenu::tickColumn + 10, 8),
                 qColour(makeColour(72, 158, 30)));
        clickIn(menu, menu->item(7), menu->item(7)->rect().center());
    });
    QCOMPARE(desktop.chooseSwatch(swatches, 3), 7);
    QVERIFY(!QApplication::activePopupWidget());
    // A click beside the pop-up dismisses it without a choice.
    whenShown([](QWidget* menu) { QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, QPoint(-20, -20)); });
    QCOMPARE(desktop.chooseSwatch(swatches, 0), 0);
}

void DesktopPiecesTest::swatchPopUpHighlightsForTheKeyboard() {
    const SwatchColours swatches = someSwatches();
    int expected = 0;
    whenShown([&expected](QWidget* shown) {
        auto* menu = qobject_cast<SwatchMenu*>(shown);
        // The pointer may rest on an item already: the keys move on from there.
        const int start = menu->activeAction() ? menu->actions().indexOf(menu->activeAction()) + 1 : 0;
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        expected = start + 2;
        for (int item = 1; item <= swatchMenuSize; ++item)
            QCOMPARE(highlighted(menu->item(item)), item == expected);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const int chosen = desktop.chooseSwatch(swatches, 0);
    QCOMPARE(chosen, expected);
    whenShown([](QWidget* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    QCOMPARE(desktop.chooseSwatch(swatches, 0), 0);
}

void DesktopPiecesTest::colourChooserTakesATypedColourAndKeepsCustomColours() {
    CustomColours custom{};
    custom[2] = makeColour(1, 2, 3);
    whenShown([](QWidget* shown) {
        auto* dialog = qobject_cast<QColorDialog*>(shown);
        QVERIFY(dialog);
        QCOMPARE(dialog->currentColor(), QColor(200, 100, 50));
        QCOMPARE(QColorDialog::customColor(2), QColor(1, 2, 3));
        QLineEdit* html = nullptr;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
            if (edit->text().startsWith('#')) html = edit;
        QVERIFY(html);
        html->selectAll();
        QTest::keyClicks(html, "#123456");
        // "Add to Custom Colors" puts the colour into the first custom slot.
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text().contains("Custom")) QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClick(html, Qt::Key_Return);
    });
    const auto chosen = desktop.chooseColour(makeColour(200, 100, 50), custom);
    QCOMPARE(chosen, std::optional<Colour>(makeColour(0x12, 0x34, 0x56)));
    QCOMPARE(custom[0], makeColour(0x12, 0x34, 0x56));
    QCOMPARE(custom[2], makeColour(1, 2, 3));
    whenShown([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(desktop.chooseColour(makeColour(200, 100, 50), custom), std::nullopt);
}

void DesktopPiecesTest::fileDialogTakesATypedNameWithoutAnOverwriteQuestion() {
    QTemporaryDir dir;
    QFile existing(dir.filePath("piece.mid"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    const FileDialogSpec midi{"Midi (*.mid)", "*.mid", "mid"};
    const QString wasCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());  // the dialog opens in the current folder
    whenShown([](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        QVERIFY(dialog);
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        QTest::keyClicks(name, "piece");
        // The name completes to the existing "piece.mid"; Return takes the completion, a
        // second Return the file, with no question about replacing it.
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog->isVisible()) QTest::keyClick(name, Qt::Key_Return);
    });
    const auto chosen = desktop.askSaveFileName(midi);
    QDir::setCurrent(wasCurrent);
    QCOMPARE(chosen, std::optional<std::string>(dir.filePath("piece.mid").toStdString()));
    whenShown([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(desktop.askSaveFileName(midi), std::nullopt);
}

void DesktopPiecesTest::exportDialogFollowsTheChosenFilterAndTakesItsOption() {
    QTemporaryDir dir;
    const std::vector<FileDialogSpec> formats = {{"WAV audio (*.wav)", "*.wav", "wav"},
                                                 {"FLAC audio (*.flac)", "*.flac", "flac"},
                                                 {"Ogg Vorbis audio (*.ogg)", "*.ogg", "ogg"}};
    // Qt's dialog opens where the last one was left; these start in the test's own folder.
    whenShown([&dir](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        QVERIFY(dialog);
        dialog->setDirectory(dir.path());
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types);
        QCOMPARE(types->count(), 3);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);  // FLAC
        QCheckBox* option = dialog->findChild<QCheckBox*>();
        QVERIFY(option);
        QCOMPARE(option->text(), "One file per channel");
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));  // on the box
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        name->setFocus();
        QTest::keyClicks(name, "piece");
        QTest::keyClick(name, Qt::Key_Return);
    });
    const auto chosen = desktop.askExportFileName(formats, "One file per channel");
    QVERIFY(chosen);
    QCOMPARE(QString::fromStdString(chosen->path), dir.filePath("piece.flac"));
    QCOMPARE(chosen->filter, 1);
    QVERIFY(chosen->optionChecked);
    // Without an option there is no check box; a typed extension stays as typed.
    whenShown([&dir](QWidget* shown) {
        qobject_cast<QFileDialog*>(shown)->setDirectory(dir.path());
        QVERIFY(!shown->findChild<QCheckBox*>());
        auto* name = shown->findChild<QLineEdit*>("fileNameEdit");
        QTest::keyClicks(name, "take.ogg");
        QTest::keyClick(name, Qt::Key_Return);
    });
    const auto typed = desktop.askExportFileName(formats, "");
    QVERIFY(typed);
    QCOMPARE(QString::fromStdString(typed->path), dir.filePath("take.ogg"));
    QCOMPARE(typed->filter, 0);
    QVERIFY(!typed->optionChecked);
}

void DesktopPiecesTest::messageBoxesCloseWithTheirButton() {
    for (const bool warning : {false, true}) {
        QMessageBox::Icon icon = QMessageBox::Critical;
        QString caption;
        whenShown([&](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            QVERIFY(box);
            icon = box->icon();
            caption = box->windowTitle();
            QCOMPARE(box->text(), "Can't write");
            clickIn(box, box->button(QMessageBox::Ok), box->button(QMessageBox::Ok)->rect().center());
        });
        if (warning)
            desktop.showWarning("Can't write", "CreateDialog");
        else
            desktop.showMessage("Can't write", "Error");
        QCOMPARE(icon, warning ? QMessageBox::Warning : QMessageBox::NoIcon);
        QCOMPARE(caption, warning ? "CreateDialog" : "Error");
        QVERIFY(!QApplication::activeModalWidget());
    }
}

void DesktopPiecesTest::helpViewerNavigatesAndCloses() {
    desktop.openHelp(HALCYONE_HELP);
    QPointer<HelpViewer> viewer = desktop.helpViewer();
    QVERIFY(viewer);
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QTextBrowser* browser = viewer->browser();
    QVERIFY(browser->toPlainText().startsWith("Halcyone Help"));
    QCOMPARE(browser->verticalScrollBar()->value(), 0);  // at the contents
    QVERIFY(!viewer->backButton()->isEnabled());

    // A click on an entry of the contents follows its link.
    QTextCursor entry = browser->document()->find("Framing a view");
    QVERIFY(!entry.isNull());
    entry.setPosition(entry.selectionStart() + 2);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect(entry).center());
    QTRY_COMPARE(browser->source().fragment(), "view");
    QVERIFY(browser->verticalScrollBar()->value() > 0);
    QTest::mouseClick(viewer->backButton(), Qt::LeftButton);
    QCOMPARE(browser->source().fragment(), QString());
    QTest::mouseClick(viewer->forwardButton(), Qt::LeftButton);
    QCOMPARE(browser->source().fragment(), "view");
    QTest::mouseClick(viewer->contentsButton(), Qt::LeftButton);
    QCOMPARE(browser->verticalScrollBar()->value(), 0);

    QTest::keyClick(viewer, Qt::Key_Escape);
    QTRY_VERIFY(viewer.isNull());
    desktop.openHelp(HALCYONE_HELP);
    viewer = desktop.helpViewer();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QTest::keyClick(viewer, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(viewer.isNull());
    desktop.openHelp(HALCYONE_HELP);
    viewer = desktop.helpViewer();
    QTest::mouseClick(viewer->closeButton(), Qt::LeftButton);
    QTRY_VERIFY(viewer.isNull());

    desktop.openHelp("/nonexistent/halcyone.hlp");
    QVERIFY(desktop.helpViewer()->browser()->toPlainText().contains("/nonexistent/halcyone.hlp can't be shown"));
    desktop.helpViewer()->close();
}

void DesktopPiecesTest::aboutBoxClosesFourWays() {
    const auto closeWith = [this](const std::function<void(QDialog*)>& action) {
        whenShown([action](QWidget* shown) {
            auto* about = qobject_cast<QDialog*>(shown);
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
    closeWith([](QDialog* d) { clickIn(d, d->findChild<QPushButton*>(), d->findChild<QPushButton*>()->rect().center()); });
    closeWith([](QDialog* d) { d->close(); });
    QVERIFY(owner->isEnabled());
}

QTEST_MAIN(DesktopPiecesTest)
#include "DesktopPiecesTest.moc"
