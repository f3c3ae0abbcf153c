#include "files/Preferences.h"

#include <vector>

#include "compose/AppState.h"
#include "files/SafeFile.h"
#include "platform/ControlSeam.h"

namespace halcyone {

const FileDialogSpec preferencesFileDialog{"Midi (*.mpr)", "*.mpr", "mpr"};

namespace {

// The channel fields a preferences file keeps; both types name them alike.
template <typename From, typename To>
void copyChannelSettings(const From& from, To& to) {
    to.instrument = from.instrument;
    to.mode = from.mode;
    to.colour = from.colour;
    to.paramEnabled = from.paramEnabled;
    to.slideSpeed = from.slideSpeed;
    to.allNotes = from.allNotes;
    to.cycleScale = from.cycleScale;
    to.noteLength = from.noteLength;
    to.lowNote = from.lowNote;
    to.highNote = from.highNote;
    to.scaleIndex = from.scaleIndex;
    to.view = from.view;
    to.keys = from.keys;
}

}  // namespace

Preferences capturePreferences() {
    Preferences p;
    p.differentSet = differentSetChecked();
    p.barNumber = controlPosition(ControlId::BarNumber);
    p.tempo = controlPosition(ControlId::Tempo);
    p.startColour = appState.startColour;
    p.sharedView = appState.sharedView;
    for (int k = 0; k < channelCount; ++k) copyChannelSettings(appState.channels[k], p.channels[k]);
    return p;
}

void applyPreferences(const Preferences& p) {
    setControlCheck(ControlId::DifferentSet, p.differentSet != 0);
    setControlPosition(ControlId::BarNumber, p.barNumber);
    setControlPosition(ControlId::Tempo, p.tempo);
    appState.startColour = p.startColour;
    appState.sharedView = p.sharedView;
    for (int k = 0; k < channelCount; ++k) copyChannelSettings(p.channels[k], appState.channels[k]);
}

FileResult savePreferencesTo(const std::string& path) {
    return writeWholeFile(path, encodePreferences(capturePreferences()));
}

FileResult loadPreferencesFrom(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (const FileResult read = readFileHead(path, preferencesReadLimit, bytes); !read.ok())
        return read;
    const DecodedPreferences decoded = decodePreferences(bytes);
    if (!decoded.ok()) return fileFailure(FileOutcome::Refused, 0, decoded.problem);
    applyPreferences(decoded.preferences);
    return {};
}

FileResult savePreferences() {
    const auto path = desktop().askSaveFileName(preferencesFileDialog);
    if (!path) return skippedCommand();
    return savePreferencesTo(*path);
}

FileResult loadPreferences() {
    const auto path = desktop().askSaveFileName(preferencesFileDialog);
    if (!path) return skippedCommand();
    return loadPreferencesFrom(*path);
}

}  // namespace halcyone
