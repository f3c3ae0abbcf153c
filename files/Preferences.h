// The "Save preferences..." and "Load preferences..." commands: the set-up in appState and the
// main window's controls, kept in a preferences file (see files/PreferencesCodec.h).
#pragma once

#include <string>

#include "files/FileResult.h"
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

// The core of "Save preferences...": writes the set-up to `path` through SafeFile, so an
// existing file is only ever replaced by a complete new one.
FileResult savePreferencesTo(const std::string& path);

// The core of "Load preferences...": reads `path` and applies it. A file that can't be opened
// or read changes nothing (CantOpen, CantRead); one that is short or holds a value out of
// range changes nothing and is Refused with decodePreferences' sentence.
FileResult loadPreferencesFrom(const std::string& path);

// "Save preferences...": asks for a file and saves to it. Skipped when the dialog is cancelled.
FileResult savePreferences();

// "Load preferences...": asks for a file and loads it; ok() when a file was applied, after
// which the window shows the loaded set-up. Skipped when the dialog is cancelled.
FileResult loadPreferences();

}  // namespace halcyone
