#include "compose/ControlSync.h"

#include <string>

#include "compose/AppState.h"
#include "compose/Limits.h"
#include "compose/ControlTexts.h"
#include "compose/NotePools.h"
#include "compose/PreviewImage.h"
#include "platform/ControlSeam.h"

namespace halcyone {

namespace {

constexpr int positionBits = 0xFFFF;  // an up-down keeps the low 16 bits of a position

template <class Names>
void fillList(ControlId list, const Names& names) {
    for (const auto& name : names) addControlEntry(list, std::string(name));
}

ControlId channelButton(int index) {
    return static_cast<ControlId>(channelButtonOffset + 1 + index);
}

}  // namespace

void setUpUpDowns() {
    struct UpDown {
        ControlId upDown, buddy;
        int low, high, start;
    };
    for (const UpDown& u : {UpDown{ControlId::BarNumber, ControlId::BarNumberEdit, barNumberMin,
                                   barNumberMax, barNumberStart},
                            UpDown{ControlId::Tempo, ControlId::TempoEdit, tempoMin, tempoMax,
                                   tempoStart},
                            UpDown{ControlId::SlideSpeed, ControlId::SlideSpeedEdit,
                                   slideSpeedMin, slideSpeedMax, slideSpeedStart}}) {
        setControlBuddy(u.upDown, u.buddy);
        setControlRange(u.upDown, u.low, u.high);
        setControlPosition(u.upDown, u.start);
    }
}

void fillLists() {
    fillList(ControlId::Instrument, instrumentNames);
    setControlSelection(ControlId::Instrument, 0);
    fillList(ControlId::Mode, modeNames);
    setControlSelection(ControlId::Mode, 0);
    for (const Scale& scale : scaleTable) addControlEntry(ControlId::Scale, scale.name);
    setControlSelection(ControlId::Scale, 0);
    fillList(ControlId::Parameter, parameterNames);
    fillList(ControlId::NoteLength, noteLengthNames);
    setControlSelection(ControlId::Parameter, 0);
}

void setUpProgressBar() {
    setControlRange(ControlId::Progress, progressMin, progressMax);
    setControlPosition(ControlId::Progress, progressMin);
    setControlStep(ControlId::Progress, progressStep);
}

void setUpControls() {
    setUpUpDowns();
    fillLists();
    setUpProgressBar();
}

void showChannel() {
    const Channel& channel = *appState.currentChannel;
    setControlSelection(ControlId::Instrument, channel.instrument);
    setControlSelection(ControlId::NoteLength, channel.noteLength);
    setControlSelection(ControlId::Mode, channel.mode);
    setControlSelection(ControlId::Scale, channel.scaleIndex);
    setControlImage(ControlId::ChannelColour, makeChannelSwatch());
    setControlText(ControlId::LowNoteName, noteName(channel.lowNote));
    setControlText(ControlId::HighNoteName, noteName(channel.highNote));
    setControlCheck(ControlId::CycleScale, channel.cycleScale != 0);
    setControlCheck(ControlId::AllNotes, channel.allNotes != 0);
    // The keyboard is rebuilt from the keys: nothing of the previous channel stays marked.
    showWindowKeys(channel.keys);
    invalidateWindow();
}

void showParameter() {
    const int p = controlSelection(ControlId::Parameter);
    const bool selected = p >= 0 && p < midiParameterCount;
    const Channel& channel = *appState.currentChannel;
    setControlCheck(ControlId::ParamEnabled, selected && channel.paramEnabled[p] != 0);
    setControlPosition(ControlId::SlideSpeed, selected ? channel.slideSpeed[p] & positionBits : 0);
}

void labelChannelButtons() {
    for (int k = 0; k < channelCount; ++k) {
        const int instrument = appState.channels[static_cast<std::size_t>(k)].instrument;
        const bool known = instrument >= 0 && instrument < instrumentEntries;
        setControlText(channelButton(k), std::string(instrumentNames[known ? instrument : 0]));
    }
}

void showStartState() {
    appState.startColour = defaultStartColour;
    renderPreview();
    setControlCheck(ControlId::Channel1, true);
    selectChannel(0);
    setUpControls();
}

void selectChannel(int index) {
    if (index < 0 || index >= channelCount) return;
    appState.currentChannel = &appState.channels[static_cast<std::size_t>(index)];
    showChannel();
    showParameter();
    renderPreview();
}

}  // namespace halcyone
