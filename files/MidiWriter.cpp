#include "files/MidiWriter.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

#include "compose/AppState.h"
#include "files/MidiBytes.h"
#include "files/SafeFile.h"
#include "platform/ControlSeam.h"

namespace halcyone {

std::string playbackMidiPath;

const FileDialogSpec midiFileDialog{"Midi (*.mid)", "*.mid", "mid"};

namespace {

constexpr const char* cacheFolderName = "halcyone";

// Creates the playback file beside the executable or, when that folder can't take it, in the
// cache folder. playbackMidiPath names the file created, or the first choice when neither
// could be.
bool createPlaybackFile(SafeFile& file) {
    const std::string executable = desktop().executablePath();
    if (!executable.empty()) playbackMidiPath = besideExecutableMidiPath(executable);
    if (file.create(playbackMidiPath)) return true;
    if (executable.empty()) return false;

    const std::string fallback = cacheMidiPath(executable);
    if (fallback.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(fallback).parent_path(), error);
    if (error || !file.create(fallback)) return false;
    playbackMidiPath = fallback;
    return true;
}

}  // namespace

std::string besideExecutableMidiPath(const std::string& executable) {
    return besideExecutable(executable, midiFileDialog.defaultExtension);
}

std::string cacheMidiPath(const std::string& executable) {
    std::filesystem::path folder;
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (cacheHome && std::filesystem::path(cacheHome).is_absolute())
        folder = cacheHome;
    else if (home && *home)
        folder = std::filesystem::path(home) / ".cache";
    else
        return {};
    const auto name = std::filesystem::path(besideExecutableMidiPath(executable)).filename();
    return (folder / cacheFolderName / name).string();
}

void writeMidiFile(bool nextToExecutable) {
    if (!appState.composed) return;

    // Compose keeps the bar count in 1..999; anything else can't be written.
    const std::size_t size = midiBufferSize(appState.barCount);
    if (size == 0) {
        showError("Can't write");
        return;
    }
    // Up to 12.8 MB at 999 bars: ask for it without throwing and say so when it isn't there.
    const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
    if (!buffer) {
        showError("Not enough memory to write the MIDI file");
        return;
    }

    SafeFile file;
    if (nextToExecutable) {
        if (!createPlaybackFile(file)) {
            showError("Can't create");
            return;
        }
    } else {
        const auto chosen = desktop().askSaveFileName(midiFileDialog);
        if (!chosen) return;
        if (!file.create(*chosen)) {
            showError("Can't create");
            return;
        }
    }

    // The up-down keeps its position in range; clamp all the same, the tempo is a divisor.
    const int tempo = std::clamp(controlPosition(ControlId::Tempo),
                                 tempoMin, tempoMax);
    const std::size_t length = writeMidiBytes(tracksOf(appState.channels), appState.barCount,
                                              tempo, std::span(buffer.get(), size));
    if (length == 0 || !file.write(std::span(buffer.get(), length)) || !file.commit())
        showError("Can't write");
}

}  // namespace halcyone
