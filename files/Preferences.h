// The "Save preferences..." and "Load preferences..." commands: the set-up in appState and the
// main window's controls, kept in a preferences file (see files/PreferencesCodec.h).
#pragma once

#include "files/PreferencesCodec.h"
#include "platform/DesktopServices.h"

namespace halcyone {

extern const FileDialogSpec preferencesFileDialog;

// The set-up as it stands: appState, the "Different set for each channel" check box and the
// Bar Number and Tempo positions.
Preferences capturePreferences();

// Puts `preferences` into appState and those three controls. Leaves barCount, the events and
// the other controls alone; the window refreshes itself afterwards.
void applyPreferences(const Preferences& preferences);

// Asks for a file and writes the set-up to it; "Can't create" / "Can't write" on failure, and
// an existing file is only ever replaced by a complete new one.
void savePreferences();

// Asks for a file and applies it. True when a file was applied. A file that can't be opened or
// read, is short, or holds a value out of range changes nothing and is reported.
bool loadPreferences();

}  // namespace halcyone
