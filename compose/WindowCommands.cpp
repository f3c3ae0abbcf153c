#include "compose/WindowCommands.h"

#include <algorithm>
#include <cstdlib>

#include "compose/AppState.h"
#include "compose/ControlSync.h"
#include "compose/Limits.h"
#include "compose/NotePools.h"
#include "compose/PreviewImage.h"
#include "compose/ViewHistory.h"
#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"
#include "platform/ControlSeam.h"
#include "platform/DesktopServices.h"
#include "platform/WholeNumber.h"

namespace halcyone {

namespace {

Channel& current() { return *appState.currentChannel; }

// The palette item (from 1) that shows the channel's colour: its own entry while the palette
// still holds the colour there, else the first entry of that colour; 0 when none has it.
int paletteItemOf(const Channel& c) {
    const auto& palette = appState.palette;
    if (c.colourIndex >= 0 && c.colourIndex < paletteSize &&
        palette[static_cast<std::size_t>(c.colourIndex)] == c.colour)
        return c.colourIndex + 1;
    const auto found = std::find(palette.begin(), palette.end(), c.colour);
    return found == palette.end() ? 0 : static_cast<int>(found - palette.begin()) + 1;
}

// Applies `change` to `view` and keeps the view before it in the view's history; a command
// that changed nothing leaves nothing to undo.
template <typename Change>
void editView(ViewRect& view, Change&& change) {
    const ViewRect before = view;
    change(view);
    if (view != before) historyOf(view).record(before);
}

// Goes one step back (undo) or forward (redo) in the current view's history.
void stepHistory(bool back) {
    ViewRect& view = currentView();
    ViewHistory& history = historyOf(view);
    if (const auto other = back ? history.undo(view) : history.redo(view)) {
        view = *other;
        renderPreview();
    }
}

// The parameter chosen in "Midi parameter", or -1 after the row has been shown clear: with no
// parameter there is nothing to store into.
int selectedParameterOrShowNone() {
    const int p = controlSelection(ControlId::Parameter);
    if (p >= 0 && p < midiParameterCount) return p;
    showParameter();
    return -1;
}

}  // namespace

void changeView(ViewCommand command) {
    editView(currentView(), [command](ViewRect& view) {
        switch (command) {
            case ViewCommand::ZoomOut: zoomOut(view); break;
            case ViewCommand::ZoomIn: zoomIn(view); break;
            case ViewCommand::Reset: resetView(view); break;
            case ViewCommand::PanLeft: panView(view, PanDirection::Left); break;
            case ViewCommand::PanRight: panView(view, PanDirection::Right); break;
            case ViewCommand::PanUp: panView(view, PanDirection::Up); break;
            case ViewCommand::PanDown: panView(view, PanDirection::Down); break;
        }
    });
    renderPreview();
}

void randomizeViews() {
    editView(appState.sharedView, randomizeView);
    for (Channel& channel : appState.channels) editView(channel.view, randomizeView);
    renderPreview();
}

void zoomAtPreviewPixel(int i, int j, bool in) {
    editView(currentView(), [=](ViewRect& view) {
        (in ? zoomInAt : zoomOutAt)(view, i * previewStep, j * previewStep);
    });
    renderPreview();
}

void frameSquareOfPreview(int i1, int j1, int i2, int j2) {
    const int side = std::max(std::abs(i2 - i1), std::abs(j2 - j1));
    if (side == 0) return;
    // The square's corner, doubled so that an odd difference of sides stays exact.
    const int left2 = i1 + i2 - side, top2 = j1 + j2 - side;
    editView(currentView(), [=](ViewRect& view) {
        frameArea(view, left2 * previewStep / 2, top2 * previewStep / 2,
                  (left2 + 2 * side) * previewStep / 2, (top2 + 2 * side) * previewStep / 2);
    });
    renderPreview();
}

void undoViewChange() { stepHistory(true); }

void redoViewChange() { stepHistory(false); }

void moveNoteRange(ControlId arrows, bool up) {
    Channel& c = current();
    if (arrows == ControlId::LowNoteArrows) {
        c.lowNote = up ? std::min({c.lowNote + 1, maxRangeNote, c.highNote}) : std::max(c.lowNote - 1, 0);
        setControlText(ControlId::LowNoteName, noteName(c.lowNote));
    } else if (arrows == ControlId::HighNoteArrows) {
        c.highNote = up ? std::min(c.highNote + 1, maxRangeNote) : std::max({c.highNote - 1, 0, c.lowNote});
        setControlText(ControlId::HighNoteName, noteName(c.highNote));
    }
}

void takeListChoice(ControlId list) {
    const int entry = controlSelection(list);
    if (entry < 0) return;
    Channel& c = current();
    switch (list) {
        case ControlId::Instrument:
            if (entry > maxInstrument) return;
            c.instrument = entry;
            labelChannelButtons();
            break;
        case ControlId::Mode:
            if (entry < modeCount) c.mode = entry;
            break;
        case ControlId::Scale:
            if (entry < scaleCount) c.scaleIndex = entry;
            break;
        case ControlId::NoteLength:
            if (entry < noteLengthCount) c.noteLength = entry;
            break;
        default:
            break;
    }
}

void takeCheckBox(ControlId checkBox) {
    if (checkBox == ControlId::CycleScale) current().cycleScale = controlCheck(checkBox);
    if (checkBox == ControlId::AllNotes) current().allNotes = controlCheck(checkBox);
}

void takeParameterEnabled() {
    if (const int p = selectedParameterOrShowNone(); p >= 0)
        current().paramEnabled[static_cast<std::size_t>(p)] = controlCheck(ControlId::ParamEnabled);
}

void takeSlideSpeed() {
    const auto typed = leadingUnsigned(controlText(ControlId::SlideSpeedEdit), slideSpeedMax + 1);
    setControlPosition(ControlId::SlideSpeed, static_cast<int>(typed));
    if (const int p = selectedParameterOrShowNone(); p >= 0)
        current().slideSpeed[static_cast<std::size_t>(p)] = controlPosition(ControlId::SlideSpeed);
}

void chooseChannelColour() {
    refreshPalette();
    const int chosen = desktop().chooseSwatch(appState.palette, paletteItemOf(current()));
    if (chosen < 1 || chosen > paletteSize) return;
    Channel& c = current();
    c.colourIndex = chosen - 1;
    c.colour = appState.palette[static_cast<std::size_t>(chosen - 1)];
    setControlImage(ControlId::ChannelColour, makeChannelSwatch());
}

void autoColours() {
    Channel* const remembered = appState.currentChannel;
    for (int k = 0; k < channelCount; ++k) {
        refreshPalette();
        Channel& c = appState.channels[static_cast<std::size_t>(k)];
        appState.currentChannel = &c;
        c.colourIndex = k;
        c.colour = appState.palette[static_cast<std::size_t>(k)];
        showChannel();
    }
    appState.currentChannel = remembered;
    showChannel();
}

void chooseStartColour() {
    if (const auto chosen = desktop().chooseColour(appState.startColour, appState.customColours))
        appState.startColour = *chosen;
    renderPreview();
}

void fillKeys() {
    Channel& c = current();
    c.keys.fill(0);
    buildScalePool(c);
    for (const int note : c.pool)
        if (note > 0 && note < midiNoteCount) c.keys[static_cast<std::size_t>(note)] = 1;
    showWindowKeys(c.keys);
    invalidateWindow();
}

void showLoadedSetUp() {
    clearViewHistories();
    labelChannelButtons();
    showChannel();
    showParameter();
    renderPreview();
    refreshPalette();
}

}  // namespace halcyone
