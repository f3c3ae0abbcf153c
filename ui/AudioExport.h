// "Export audio..." in the window: the composition rendered with the built-in synthesizer into a
// WAV, FLAC or Ogg Vorbis file, or into a file per channel, on a worker thread behind a progress
// dialog whose Cancel stops it and leaves nothing behind.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "platform/DesktopServices.h"
#include "playback/AudioFormat.h"

class QWidget;

namespace halcyone {

inline constexpr const char* onePerChannelText = "One file per channel";

// The export dialog's filters, one per format, in the order of audioFormats.
std::vector<FileDialogSpec> audioFileDialogs();

// The format of a chosen file: its extension's when it names one, else the filter's.
AudioFormat exportFormat(const ExportChoice& choice);
// The file the export writes: the chosen one, with the format's extension appended when its
// own names no audio format.
std::string exportPath(const ExportChoice& choice);

// Where the stems of a chosen file go: a folder named like the file, without its extension.
std::string stemsFolder(const std::string& path);

class AudioExport {
public:
    explicit AudioExport(QWidget* owner) : owner_(owner) {}

    // The whole command: "Compose first" before the first Compose; then the dialog, the
    // render with its progress, and on failure a message naming the file and the reason.
    // Returns when the export has ended, however it ended.
    void run();

    // The progress dialog's title while an export runs, for tests that find it.
    static QString progressTitle();

private:
    QWidget* owner_;
};

}  // namespace halcyone
