// The routines that copy the set-up into the window's controls, and the control set-up the
// window and the command-line tool share. All run on the thread that owns the controls.
#pragma once

namespace halcyone {

// The three up-downs: each bound to its edit, given its range, then its start position.
void setUpUpDowns();
// The five lists filled in the window's order: instruments ("Off" selected), modes (first
// selected), scales (first selected), parameters, note lengths; then "Pitch Wheel" selected.
void fillLists();
// Progress bar 0..100 at 0, step 5.
void setUpProgressBar();
// All three, for a host that starts empty (the command-line tool, tests).
void setUpControls();

// The current channel's instrument, note length, mode and scale lists, its colour swatch, the
// names of its note range, "Cycle scale" and "All notes", and its keys on the keyboard; then a
// repaint. Leaves the channel buttons, the parameter row, the preview and the read-outs alone.
void showChannel();
// The check box and slide speed of the parameter selected in "Midi parameter" (clear and 0
// while none is selected).
void showParameter();
// Every channel button's caption from its channel's instrument.
void labelChannelButtons();

// The window's start, as far as the program's own state goes: the start colour and the preview,
// channel 1 selected, then the up-downs, the lists and the progress bar. (The player and the
// "Midi device" list come next, then refreshPalette and showChannel.)
void showStartState();

// Makes channel `index` (0..4) current and shows it: its settings, its parameter row and its
// view. The buttons' checked state is left to the host.
void selectChannel(int index);

}  // namespace halcyone
