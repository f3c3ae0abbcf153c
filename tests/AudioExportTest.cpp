// "Export audio..." and "Export MIDI tracks..." in the window: the files they write against the
// command-line tool's, the formats, a file per channel, Cancel, failures, and "Compose first".
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <iterator>

#include "WindowTestSupport.h"
#include "ui/AudioExport.h"

using namespace halcyone;
using halcyone::testing::whenShown;
using halcyone::testing::chooseMenuItem;
using halcyone::testing::fileBytes;
using halcyone::testing::WindowUnderTest;

namespace {

const QString seahorse = HALCYONE_EXAMPLES "/seahorse-valley.mpr";

}  // namespace

class AudioExportTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY((window = w.emplace().startShown())); }
    void cleanup() { w.reset(); }

    void nothingComposedMeansComposeFirst();
    void theWavIsTheToolsAndTheFormatFollowsTheName();
    void aFilePerChannelGoesIntoAFolder();
    void cancelAndFailureLeaveNothingBehind();
    void midiTracksGoThroughTheSaveDialog();

private:
    void composeSeahorse() {
        window->loadSetUpFrom(seahorse.toStdString());
        QTest::mouseClick(w->control<QAbstractButton>(ControlId::Compose), Qt::LeftButton);
        QCOMPARE(appState.composed, 1);
    }
    QStringList filesIn(const QTemporaryDir& dir) const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    std::optional<WindowUnderTest> w;
    MainWindow* window = nullptr;
};

void AudioExportTest::nothingComposedMeansComposeFirst() {
    chooseMenuItem(window, "Export &audio...");
    chooseMenuItem(window, "Export MIDI &tracks...");
    QCOMPARE(w->desk.messages.size(), 2u);
    for (const auto& message : w->desk.messages) QCOMPARE(message.text, "Compose first");
    QVERIFY(w->desk.exportDialogsShown.empty());
    QVERIFY(w->desk.dialogsShown.empty());
}

void AudioExportTest::theWavIsTheToolsAndTheFormatFollowsTheName() {
    composeSeahorse();
    QTemporaryDir dir;
    w->desk.exportAnswers = {ExportChoice{dir.filePath("window.wav").toStdString(), 0, false},
                             ExportChoice{dir.filePath("window.flac").toStdString(), 0, false}};
    chooseMenuItem(window, "Export &audio...");
    QCOMPARE(w->desk.exportDialogsShown.at(0).size(), 3u);
    QCOMPARE(w->desk.exportDialogsShown[0][1].defaultExtension, "flac");
    QCOMPARE(w->desk.exportOptionsShown.at(0), "One file per channel");
    QProcess cli;
    cli.start(HALCYONE_CLI, {"render", seahorse, "-o", dir.filePath("tool.wav")});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    const std::vector<char> wav = fileBytes(dir.filePath("window.wav"));
    QVERIFY(wav.size() > 44);
    QVERIFY(wav == fileBytes(dir.filePath("tool.wav")));
    // A name that says FLAC is FLAC, whatever the filter.
    chooseMenuItem(window, "Export &audio...");
    QCOMPARE(std::string(fileBytes(dir.filePath("window.flac")).data(), 4), "fLaC");
    // A name that says no audio format gets the filter's: a set-up named by mistake stays.
    QVERIFY(QFile::copy(seahorse, dir.filePath("set-up.mpr")));
    w->desk.exportAnswers = {ExportChoice{dir.filePath("set-up.mpr").toStdString(), 1, false}};
    w->desk.fileAnswers = {dir.filePath("set-up.mpr").toStdString()};
    chooseMenuItem(window, "Export &audio...");
    chooseMenuItem(window, "Export MIDI &tracks...");
    QVERIFY(fileBytes(dir.filePath("set-up.mpr")) == fileBytes(seahorse));
    QCOMPARE(std::string(fileBytes(dir.filePath("set-up.mpr.flac")).data(), 4), "fLaC");
    QCOMPARE(std::string(fileBytes(dir.filePath("set-up.mpr.mid")).data(), 4), "MThd");
    QVERIFY(w->desk.messages.empty());
}

void AudioExportTest::aFilePerChannelGoesIntoAFolder() {
    composeSeahorse();
    QTemporaryDir dir;
    w->desk.exportAnswers = {ExportChoice{dir.filePath("piece.ogg").toStdString(), 2, true}};
    chooseMenuItem(window, "Export &audio...");
    QVERIFY(w->desk.messages.empty());
    const QStringList stems = QDir(dir.filePath("piece")).entryList(QDir::Files, QDir::Name);
    int playing = 0;
    for (const Channel& c : appState.channels) playing += eventCount(c.events) > 0 ? 1 : 0;
    QCOMPARE(stems.size(), playing);
    for (const QString& stem : stems) QVERIFY2(stem.endsWith(".ogg") && stem[2] == '-', qPrintable(stem));
    QVERIFY(stems.first().startsWith("01-"));
    QCOMPARE(filesIn(dir), QStringList{"piece"});
}

void AudioExportTest::cancelAndFailureLeaveNothingBehind() {
    composeSeahorse();
    QTemporaryDir dir;
    for (const bool stems : {false, true}) {
        w->desk.exportAnswers = {ExportChoice{dir.filePath("cancelled.wav").toStdString(), 0, stems}};
        bool cancelled = false;
        whenShown([&cancelled](QWidget* shown) {
            auto* progress = qobject_cast<QProgressDialog*>(shown);
            QVERIFY(progress);
            QCOMPARE(progress->windowTitle(), AudioExport::progressTitle());
            QPushButton* cancel = progress->findChild<QPushButton*>();
            QTest::mouseClick(cancel, Qt::LeftButton);
            cancelled = true;
        });
        chooseMenuItem(window, "Export &audio...");
        QVERIFY(cancelled);
        QCOMPARE(filesIn(dir), QStringList{});
        QVERIFY(w->desk.messages.empty());
    }
    // A folder that isn't there: the message names the file and the reason; nothing is made.
    const QString nowhere = dir.filePath("missing/piece.wav");
    w->desk.exportAnswers = {ExportChoice{nowhere.toStdString(), 0, false}};
    chooseMenuItem(window, "Export &audio...");
    QCOMPARE(w->desk.messages.size(), 1u);
    const QString text = QString::fromStdString(w->desk.messages[0].text);
    QVERIFY2(text.startsWith("Can't create " + nowhere + ": ") && text.contains("does not exist"), qPrintable(text));
    QCOMPARE(filesIn(dir), QStringList{});
}

void AudioExportTest::midiTracksGoThroughTheSaveDialog() {
    composeSeahorse();
    QTemporaryDir dir;
    w->desk.fileAnswers = {dir.filePath("tracks.mid").toStdString()};
    chooseMenuItem(window, "Export MIDI &tracks...");
    QVERIFY(w->desk.messages.empty());
    QCOMPARE(w->desk.dialogsShown.at(0).defaultExtension, "mid");
    QProcess cli;
    cli.start(HALCYONE_CLI, {"compose", seahorse, "-o", dir.filePath("tool.mid"), "--tracks"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    const std::vector<char> tracks = fileBytes(dir.filePath("tracks.mid"));
    QVERIFY(tracks == fileBytes(dir.filePath("tool.mid")));
    QCOMPARE(tracks.at(9), char(1));  // format 1
}

QTEST_MAIN(AudioExportTest)
#include "AudioExportTest.moc"
