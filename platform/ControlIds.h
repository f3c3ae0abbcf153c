// Identifiers of the main window's controls and menu commands. Settings are named after the
// control that edits them throughout the program, so these numbers are part of its vocabulary.
#pragma once

namespace halcyone {

enum class ControlId : int {
    // The main window itself, not one of its controls: it repaints, shows the preview image and
    // marks keys on the piano keyboard.
    MainWindow = 0,
    // Dialog-manager commands.
    Ok = 1,
    Cancel = 2,
    // Push buttons.
    Play = 7,
    Compose = 8,
    Stop = 9,
    FillKeys = 12,
    // Navigation of the current view.
    ZoomOut = 1000,
    ZoomIn = 1001,
    ResetView = 1002,
    PanHorizontal = 1006,
    PanVertical = 1007,
    // Current channel.
    ChannelColour = 1010,
    Instrument = 1011,
    Mode = 1014,
    MidiDevice = 1015,
    Channel1 = 1017,
    Channel2 = 1018,
    Channel3 = 1019,
    Channel4 = 1020,
    Channel5 = 1021,
    ParamEnabled = 1022,
    Parameter = 1023,
    BarNumberEdit = 1024,
    BarNumber = 1025,
    StartColour = 1026,
    TempoEdit = 1027,
    Tempo = 1028,
    Scale = 1029,
    NoteLength = 1030,
    SlideSpeed = 1031,
    LowNoteName = 1032,
    LowNoteArrows = 1033,
    SlideSpeedEdit = 1034,
    HighNoteName = 1036,
    HighNoteArrows = 1037,
    CycleScale = 1039,
    DifferentSet = 1040,
    ReadoutX1 = 1041,
    ReadoutY1 = 1042,
    ReadoutX2 = 1043,
    ReadoutY2 = 1044,
    Randomize = 1045,
    AllNotes = 1046,
    AutoColours = 1048,
    Progress = 1059,
};

// Menu commands of the main window.
enum class MenuCommand : int {
    About = 104,
    Exit = 105,
    SaveMidiFile = 131,
    SavePreferences = 132,
    LoadPreferences = 133,
    ExportAudio = 134,
    ExportMidiTracks = 135,
    Help = 136,
};

constexpr int channelButtonOffset = 1016;  // button of channel k (1..5) is 1016 + k

// Range and step of the progress bar. (The up-down controls' ranges are the set-up's: see
// compose/Limits.h.)
constexpr int progressMin = 0, progressMax = 100, progressStep = 5;

}  // namespace halcyone
