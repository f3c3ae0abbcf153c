#include "files/MidiWriter.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "compose/AppState.h"
#include "compose/Limits.h"
#include "files/FileNames.h"
#include "files/MidiBytes.h"
#include "files/MidiTracks.h"
#include "files/SafeFile.h"
#include "files/TemporaryFiles.h"
#include "platform/ControlSeam.h"

namespace halcyone {

std::string playbackMidiPath;

const FileDialogSpec midiFileDialog{"Midi (*.mid)", "*.mid", "mid"};

namespace {

// Creates the playback file beside the executable or, when that folder can't take it, in the
// cache folder. playbackMidiPath names the file created, or the first choice when neither
// could be.
FileResult createPlaybackFile(SafeFile& file) {
    const std::string executable = desktop().executablePath();
    if (!executable.empty()) playbackMidiPath = besideExecutableMidiPath(executable);
    const FileResult beside = file.open(playbackMidiPath);
    if (beside.ok() || executable.empty()) return beside;

    const std::string fallback = cacheMidiPath(executable);
    if (fallback.empty()) return beside;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(fallback).parent_path(), error);
    if (error) return beside;
    const FileResult cached = file.open(fallback);
    if (cached.ok()) playbackMidiPath = fallback;
    return cached.ok() ? cached : beside;
}

FileResult writeComposition(SafeFile& file) {
    MidiFileImage image;
    if (const FileResult built = composedMidiFile(image); !built.ok()) return built;
    return file.finish(image.bytes());
}

// The composition's one-track file split into a track per channel.
FileResult writeTrackFile(SafeFile& file) {
    MidiFileImage oneTrack;
    if (const FileResult built = composedMidiFile(oneTrack); !built.ok()) return built;
    std::vector<std::uint8_t> tracks;
    try {
        tracks = midiTrackFileBytes(oneTrack.bytes());
    } catch (const std::bad_alloc&) {
        return fileFailure(FileOutcome::Refused, ENOMEM, midiNoMemoryText);
    }
    if (tracks.empty())
        return fileFailure(FileOutcome::CantWrite, 0, "the MIDI file can't be split into tracks");
    return file.finish(tracks);
}

// Writes the composition to `path` with `write`; refused with `refusal` before the first Compose.
FileResult writeComposedFile(const std::string& path, const char* refusal,
                             FileResult (*write)(SafeFile&)) {
    if (!appState.composed) return fileFailure(FileOutcome::Refused, 0, refusal);
    SafeFile file;
    if (const FileResult opened = file.open(path); !opened.ok()) return opened;
    return write(file);
}

}  // namespace

std::string besideExecutableMidiPath(const std::string& executable) {
    return besideExecutable(executable, midiFileDialog.defaultExtension);
}

std::string cacheMidiPath(const std::string& executable) {
    const std::string folder = cacheFolder();
    if (folder.empty()) return {};
    const auto name = std::filesystem::path(besideExecutableMidiPath(executable)).filename();
    return (std::filesystem::path(folder) / name).string();
}

FileResult composedMidiFile(MidiFileImage& image) {
    if (!appState.composed) return fileFailure(FileOutcome::Refused, 0, nothingComposedText);
    // Compose keeps the bar count in 1..999; anything else can't be written.
    const std::size_t size = midiBufferSize(appState.barCount);
    if (size == 0) return fileFailure(FileOutcome::CantWrite, 0, "bar count out of range");
    // Up to 12.8 MB at 999 bars: ask for it without throwing and say so when it isn't there.
    image.buffer.reset(new (std::nothrow) std::uint8_t[size]);
    if (!image.buffer) return fileFailure(FileOutcome::Refused, ENOMEM, midiNoMemoryText);

    // The up-down keeps its position in range; clamp all the same, the tempo is a divisor.
    const int tempo = std::clamp(controlPosition(ControlId::Tempo), tempoMin, tempoMax);
    image.size = writeMidiBytes(tracksOf(appState.channels), appState.barCount, tempo,
                                std::span(image.buffer.get(), size));
    if (image.size == 0) return fileFailure(FileOutcome::CantWrite, 0, "bar count out of range");
    return {};
}

FileResult writeMidiFileTo(const std::string& path) {
    return writeComposedFile(path, nothingComposedText, writeComposition);
}

FileResult saveMidiFile() {
    if (!appState.composed) return skippedCommand();
    const auto chosen = desktop().askSaveFileName(midiFileDialog);
    if (!chosen) return skippedCommand();
    return writeMidiFileTo(*chosen);
}

FileResult writeMidiTracksTo(const std::string& path) {
    return writeComposedFile(path, composeFirstText, writeTrackFile);
}

FileResult saveMidiTracks() {
    if (!appState.composed) return fileFailure(FileOutcome::Refused, 0, composeFirstText);
    const auto chosen = desktop().askSaveFileName(midiFileDialog);
    if (!chosen) return skippedCommand();
    return writeMidiTracksTo(withExtension(*chosen, midiFileDialog.defaultExtension, {"mid", "midi"}));
}

FileResult writePlaybackMidiFile() {
    if (!appState.composed) return skippedCommand();
    SafeFile file;
    if (const FileResult created = createPlaybackFile(file); !created.ok()) return created;
    return writeComposition(file);
}

}  // namespace halcyone
