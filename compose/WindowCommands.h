// What the window's buttons, lists, check boxes, arrows and edits do to the set-up, each
// followed by the refresh the window needs. The window calls one of these per notice; they
// read the controls they need through the control seam.
#pragma once

#include "platform/ControlIds.h"

namespace halcyone {

enum class ViewCommand { ZoomOut, ZoomIn, Reset, PanLeft, PanRight, PanUp, PanDown };

// "-", "+", "R" and the pan arrows act on the current view, then the preview is rendered.
void changeView(ViewCommand command);
// "Randomize": the shared view, then the views of channels 1 to 5, then the preview.
void randomizeViews();

// The mouse on the preview. Pixel (i, j) of the preview, 0..199 each way.
// A click zooms in (out) around the point under the pointer as "+" ("-") does.
void zoomAtPreviewPixel(int i, int j, bool in);
// A dragged rectangle, from (i1, j1) to (i2, j2) in either order and widened to a square
// about its centre, becomes the view.
void frameSquareOfPreview(int i1, int j1, int i2, int j2);

// Ctrl+Z and Ctrl+Y: the last change of the current view taken back, or put back again;
// nothing when there is none. Each of the six views keeps its own history.
void undoViewChange();
void redoViewChange();

// The "From" (LowNoteArrows) and "to" (HighNoteArrows) arrows: up raises the note, down lowers
// it, within 0..95 and without passing the other end of the range; then the name is shown.
void moveNoteRange(ControlId arrows, bool up);

// A choice picked from the instrument, mode, scale or note length list becomes the current
// channel's setting; with no entry selected nothing changes. The instrument relabels the
// channel buttons.
void takeListChoice(ControlId list);
// "Cycle scale" and "All notes" store their check state in the current channel.
void takeCheckBox(ControlId checkBox);

// The parameter row. While "Midi parameter" has no selected entry there is no parameter to
// store into: nothing is stored and the row is shown clear, as showParameter shows it.
void takeParameterEnabled();
// The slide speed edit lost the focus: its text read as an unsigned number (0 when it is none)
// goes through the up-down, which keeps it within 0..100 and shows it, into the selected
// parameter's slide speed.
void takeSlideSpeed();

// The channel "Color" button: the palette's swatches in a pop-up menu; a chosen one becomes
// the current channel's colour.
void chooseChannelColour();
// "Auto colors": channels 1 to 5 get the palette's entries 0 to 4, all from one palette; the
// current channel stays current.
void autoColours();
// "Start color": the colour chooser; the preview is rendered whether or not one was chosen.
void chooseStartColour();
// "Fill keys": the current channel's keys become exactly the notes of its scale pool.
void fillKeys();

// After "Load preferences...": the channel buttons, the current channel, its parameter row,
// the preview and the palette, in that order; the views' histories start afresh.
void showLoadedSetUp();

}  // namespace halcyone
