// The "Save midi file..." and Play commands' file writing: the composition in appState as a
// Standard MIDI File (see files/MidiBytes.h for the bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "files/FileResult.h"
#include "platform/DesktopServices.h"

namespace halcyone {

// Path of the file Play last wrote (or tried to write); empty until the first Play. Playback
// loads the file from here.
extern std::string playbackMidiPath;

extern const FileDialogSpec midiFileDialog;

inline constexpr const char* nothingComposedText = "Nothing has been composed yet";
inline constexpr const char* midiNoMemoryText = "Not enough memory to write the MIDI file";
// What the exports for a DAW answer before the first Compose, rather than writing nothing.
inline constexpr const char* composeFirstText = "Compose first";

// The composition of the last Compose as the bytes of a Standard MIDI File.
struct MidiFileImage {
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t size = 0;

    std::span<const std::uint8_t> bytes() const { return {buffer.get(), size}; }
};

// Builds the file of the composition with the Tempo control's position. Refused before the
// first Compose and when the buffer (up to 12.8 MB) can't be had; CantWrite when the bar
// count is outside 1..999.
FileResult composedMidiFile(MidiFileImage& image);

// The core of "Save midi file...": writes the composition to `path` through SafeFile, so an
// existing file is only ever replaced by a complete new one.
FileResult writeMidiFileTo(const std::string& path);

// "Save midi file...": the user picks the file and the composition of the last Compose is
// written to it. Skipped before the first Compose and when the dialog is cancelled.
FileResult saveMidiFile();

// The core of "Export MIDI tracks...": the composition as a format-1 file with a track per
// channel that plays notes (files/MidiTracks.h), written to `path` through SafeFile. Refused
// with composeFirstText before the first Compose.
FileResult writeMidiTracksTo(const std::string& path);

// "Export MIDI tracks...": before the first Compose refused with composeFirstText, and no
// dialog; otherwise the user picks the file in the dialog of "Save midi file..." and the
// tracks are written to it. Skipped when the dialog is cancelled.
FileResult saveMidiTracks();

// The first half of Play: the composition goes beside the executable under its name with the
// extension "mid", or into the user's cache folder (see cacheFolder()) when that folder can't
// take it, and the path into playbackMidiPath. Skipped before the first Compose.
FileResult writePlaybackMidiFile();

// The executable's path with its extension replaced by ".mid", or ".mid" appended when it
// has none.
std::string besideExecutableMidiPath(const std::string& executable);

// The file of the same name in the user's cache folder; empty when there is none.
std::string cacheMidiPath(const std::string& executable);

}  // namespace halcyone
