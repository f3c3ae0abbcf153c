#include "ui/AudioExport.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <thread>

#include "compose/AppState.h"
#include "files/FileNames.h"
#include "files/MidiWriter.h"
#include "files/SafeFile.h"
#include "playback/MusicResult.h"
#include "playback/Render.h"
#include "playback/Stems.h"

namespace halcyone {

namespace {

constexpr int progressSteps = 1000;
constexpr int pollIntervalMs = 40;

std::string capitalised(std::string text) {
    if (!text.empty() && text.front() >= 'a' && text.front() <= 'z') text.front() = static_cast<char>(text.front() - 'a' + 'A');
    return text;
}

// The message for a render that failed: the file it concerns and why.
std::string failureText(const RenderResult& render, const std::string& file) {
    if (render.result == resultCantWrite) return capitalised(describeFileFailure(render.file, file, "write"));
    return "Can't export " + file + ": " + describeMusicResult(render.result);
}

// What the worker does, and what it leaves for the window's thread to read once it is done.
struct ExportJob {
    std::span<const std::uint8_t> midi;
    std::string path;
    bool stems = false;
    RenderOptions options;
    RenderResult render;
    std::string failedPath;

    void run() {
        if (stems) {
            StemsResult result = renderMidiToStems(midi, stemsFolder(path), options);
            render = result.render;
            failedPath = result.failedPath;
            return;
        }
        SafeFile file;
        if (const FileResult opened = file.open(path); !opened.ok()) {
            render.result = resultCantWrite;
            render.file = opened;
            return;
        }
        render = renderMidiToAudio(midi, file, options);
    }
};

// Runs `job` on a worker thread while a modal progress dialog shows how far it is; its Cancel
// asks the job to stop. Returns once the worker has finished.
void runWithProgress(ExportJob& job, QWidget* owner, const QString& label) {
    std::atomic<bool> stop{false};
    std::atomic<int> done{0};
    std::atomic<bool> finished{false};
    job.options.stop = &stop;
    job.options.progress = [&done](double fraction) { done.store(static_cast<int>(fraction * progressSteps)); };

    QProgressDialog progress(label, QStringLiteral("Cancel"), 0, progressSteps, owner);
    progress.setWindowTitle(AudioExport::progressTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QObject::connect(&progress, &QProgressDialog::canceled, [&stop] { stop.store(true); });
    progress.show();

    std::thread worker([&job, &finished] {
        job.run();
        finished.store(true);
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!progress.wasCanceled()) progress.setValue(done.load());
        if (finished.load()) loop.quit();
    });
    poll.start(pollIntervalMs);
    loop.exec();
    worker.join();
}

}  // namespace

std::vector<FileDialogSpec> audioFileDialogs() {
    std::vector<FileDialogSpec> dialogs;
    for (const AudioFormatNames& format : audioFormats) {
        const std::string extension(format.extension);
        dialogs.push_back({std::string(format.title) + " audio (*." + extension + ")", "*." + extension, extension});
    }
    return dialogs;
}

AudioFormat exportFormat(const ExportChoice& choice) {
    if (const auto named = audioFormatForFileName(choice.path)) return *named;
    const auto index = static_cast<std::size_t>(choice.filter);
    return index < audioFormats.size() ? audioFormats[index].format : AudioFormat::Wav;
}

std::string exportPath(const ExportChoice& choice) {
    if (audioFormatForFileName(choice.path)) return choice.path;
    return withExtension(choice.path, audioFormatExtension(exportFormat(choice)), {});
}

std::string stemsFolder(const std::string& path) {
    return std::filesystem::path(path).replace_extension().string();
}

QString AudioExport::progressTitle() { return QStringLiteral("Export audio"); }

void AudioExport::run() {
    if (!appState.composed) return showError(composeFirstText);
    MidiFileImage image;
    if (const FileResult built = composedMidiFile(image); built.failed()) return showError(windowMessage(built));
    const auto choice = desktop().askExportFileName(audioFileDialogs(), onePerChannelText);
    if (!choice) return;

    ExportJob job;
    job.midi = image.bytes();
    job.path = exportPath(*choice);
    job.stems = choice->optionChecked;
    job.options.format = exportFormat(*choice);
    const std::string shown = job.stems ? stemsFolder(job.path) : job.path;
    runWithProgress(job, owner_,
                    QStringLiteral("Exporting %1").arg(QFileInfo(QString::fromStdString(shown)).fileName()));
    if (job.render.ok() || job.render.stopped) return;
    showError(failureText(job.render, job.failedPath.empty() ? shown : job.failedPath));
}

}  // namespace halcyone
