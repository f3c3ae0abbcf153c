// The "Save midi file..." and Play commands' file writing: the composition in appState as a
// Standard MIDI File (see files/MidiBytes.h for the bytes).
#pragma once

#include <string>

#include "platform/DesktopServices.h"

namespace halcyone {

// Path of the file Play last wrote (or tried to write); empty until the first Play. Playback
// loads the file from here.
extern std::string playbackMidiPath;

extern const FileDialogSpec midiFileDialog;

// Writes the composition of the last Compose; does nothing before the first Compose.
// With `nextToExecutable` false the user picks the file (cancel ends silently). With true the
// file goes beside the executable under its name with the extension "mid", or into the user's
// cache folder ($XDG_CACHE_HOME/halcyone, else ~/.cache/halcyone) when that folder can't take
// it; the path goes into playbackMidiPath. The tempo is the Tempo control's position.
// Failures are shown as "Can't create" / "Can't write"; an existing file is only ever replaced
// by a complete new one.
void writeMidiFile(bool nextToExecutable);

// The executable's path with its extension replaced by ".mid", or ".mid" appended when it
// has none.
std::string besideExecutableMidiPath(const std::string& executable);

// The file of the same name in the user's cache folder; empty when neither $XDG_CACHE_HOME
// nor $HOME gives one.
std::string cacheMidiPath(const std::string& executable);

}  // namespace halcyone
