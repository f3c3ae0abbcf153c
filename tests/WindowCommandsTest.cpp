// The window's routines and commands over the in-memory panel: what the controls show after
// start-up and after each command, and what each command stores in the set-up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "compose/AppState.h"
#include "compose/ComposeCommand.h"
#include "compose/ControlSync.h"
#include "compose/NotePools.h"
#include "compose/PreviewImage.h"
#include "compose/WindowCommands.h"
#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"
#include "testing/ScriptedDesktop.h"

namespace halcyone {
namespace {

class WindowCommands : public ::testing::Test {
protected:
    WindowCommands() {
        resetAppState();
        showStartState();
        refreshPalette();
        showChannel();
    }

    const MemoryControlPanel::Control& shown(ControlId id) const { return panel.control(id); }
    Channel& channel(int k) { return appState.channels[static_cast<std::size_t>(k)]; }

    MemoryControlPanel panel;
    ScopedControlHost controls{panel};
    ScriptedDesktop desk;
    ScopedDesktop desktopScope{desk};
};

TEST_F(WindowCommands, ShowingAChannelReplacesEverythingOfThePreviousOne) {
    channel(2).instrument = 41;
    channel(2).keys[5] = channel(2).keys[60] = 1;
    channel(2).slideSpeed[0] = 100;
    channel(2).paramEnabled[0] = 1;
    channel(2).lowNote = 30;
    labelChannelButtons();
    EXPECT_EQ(shown(ControlId::Channel3).text, "Violin");
    EXPECT_EQ(shown(ControlId::Channel1).text, "Off");
    selectChannel(2);
    EXPECT_EQ(shown(ControlId::Instrument).selection, 41);
    EXPECT_EQ(shown(ControlId::LowNoteName).text, noteName(30));
    EXPECT_EQ(shown(ControlId::MainWindow).keys, channel(2).keys);
    EXPECT_EQ(controlText(ControlId::SlideSpeedEdit), "100");
    EXPECT_EQ(shown(ControlId::ParamEnabled).check, 1);
    selectChannel(0);
    EXPECT_EQ(shown(ControlId::MainWindow).keys, KeySelection{});
    EXPECT_EQ(controlText(ControlId::SlideSpeedEdit), "0");
    channel(2).instrument = 0;
    labelChannelButtons();
    EXPECT_EQ(shown(ControlId::Channel3).text, "Off");
}

// The window's tests cover the parameter row with a selected parameter; with none, nothing is
// stored and the row shows so.
TEST_F(WindowCommands, WithoutASelectedParameterTheRowStoresNothing) {
    setControlSelection(ControlId::Parameter, -1);
    setControlText(ControlId::SlideSpeedEdit, "70");
    setControlCheck(ControlId::ParamEnabled, true);
    takeSlideSpeed();
    takeParameterEnabled();
    for (int p = 0; p < midiParameterCount; ++p) {
        EXPECT_EQ(channel(0).slideSpeed[p], 0);
        EXPECT_EQ(channel(0).paramEnabled[p], 0);
    }
    EXPECT_EQ(controlText(ControlId::SlideSpeedEdit), "0");
    EXPECT_EQ(shown(ControlId::ParamEnabled).check, 0);
}
TEST_F(WindowCommands, ThePaletteDescribesTheLastRenderedPreview) {
    const Palette before = appState.palette;
    appState.sharedView = ViewRect{-0.2, -0.1, 0.9, 1.0};  // moved without rendering
    refreshPalette();
    EXPECT_EQ(appState.palette, before);
    renderPreview();
    refreshPalette();
    EXPECT_NE(appState.palette, before);
}

TEST_F(WindowCommands, StartColourKeepsCustomColoursAndRendersEitherWay) {
    CustomColours defined{};
    defined[3] = makeColour(1, 2, 3);
    desk.customColoursDefined = defined;
    desk.colourAnswers = {std::nullopt, makeColour(10, 20, 30)};
    const int renders = panel.count(ControlId::StartColour, ControlMessage::SetImage);
    chooseStartColour();
    EXPECT_EQ(appState.startColour, defaultStartColour);
    chooseStartColour();
    EXPECT_EQ(appState.startColour, makeColour(10, 20, 30));
    EXPECT_EQ(panel.count(ControlId::StartColour, ControlMessage::SetImage), renders + 2);
    EXPECT_EQ(appState.customColours, defined);
    EXPECT_EQ(desk.colourChooserStarts, (std::vector<Colour>{defaultStartColour, defaultStartColour}));
}

TEST_F(WindowCommands, ComposeStopsWhenAPulseSaysSo) {
    class StopAfter : public ProgressBarSteps {
    public:
        bool pulse() override { return ++pulses < 2; }
        int pulses = 0;
    } progress;
    for (int k = 0; k < channelCount; ++k) channel(k).instrument = 1;
    channel(1).rawEvents[0].note = 99;
    setControlPosition(ControlId::BarNumber, 200);
    EXPECT_FALSE(composeAll(progress));
    EXPECT_EQ(appState.composed, 0);
    EXPECT_EQ(channel(1).rawEvents[0].note, 99);
    EXPECT_TRUE(shown(ControlId::Play).enabled);
    ProgressBarSteps plain;
    EXPECT_TRUE(composeAll(plain));
    EXPECT_EQ(appState.composed, 1);
    EXPECT_EQ(shown(ControlId::Progress).pos, 100);
}

// Every kind of view change goes into the current view's own history, and only a change does.
TEST_F(WindowCommands, EveryViewChangeCanBeUndoneAndRedoneInItsOwnView) {
    std::vector<ViewRect> seen{appState.sharedView};
    const auto step = [&](auto change) {
        change();
        if (appState.sharedView != seen.back()) seen.push_back(appState.sharedView);
    };
    step([] { changeView(ViewCommand::ZoomIn); });
    step([] { changeView(ViewCommand::PanDown); });
    step([] { changeView(ViewCommand::Reset); });
    step([] { changeView(ViewCommand::Reset); });  // changes nothing: nothing to undo
    step([] { zoomAtPreviewPixel(30, 170, true); });
    step([] { zoomAtPreviewPixel(199, 0, false); });
    step([] { frameSquareOfPreview(150, 40, 20, 60); });
    step([] { randomizeViews(); });
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(shown(ControlId::ReadoutX1).text, formatCoordinate(seen.back().X1));
    for (auto view = seen.rbegin() + 1; view != seen.rend(); ++view) {
        undoViewChange();
        EXPECT_EQ(appState.sharedView, *view);
    }
    undoViewChange();  // nothing left: stays
    EXPECT_EQ(appState.sharedView, seen.front());
    EXPECT_EQ(shown(ControlId::ReadoutX1).text, "-2.");
    for (auto view = seen.begin() + 1; view != seen.end(); ++view) {
        redoViewChange();
        EXPECT_EQ(appState.sharedView, *view);
    }
    // "Randomize" moved every channel's view too: each has that one change to undo.
    for (int k = 0; k < channelCount; ++k) {
        appState.currentChannel = &channel(k);
        setControlCheck(ControlId::DifferentSet, 1);
        undoViewChange();
        EXPECT_EQ(channel(k).view, ViewRect{});
    }
    // A new change after undoing drops what could be redone.
    undoViewChange();
    changeView(ViewCommand::ZoomOut);
    const ViewRect zoomedOut = channel(4).view;
    redoViewChange();
    EXPECT_EQ(channel(4).view, zoomedOut);
}

TEST_F(WindowCommands, AViewKeepsAHundredStepsAndALoadedSetUpStartsAfresh) {
    for (int k = 0; k < 150; ++k) changeView(k % 2 ? ViewCommand::PanLeft : ViewCommand::ZoomIn);
    const ViewRect last = appState.sharedView;
    for (int k = 0; k < 150; ++k) undoViewChange();
    EXPECT_EQ(appState.sharedView, ViewRect{});
    for (int k = 0; k < 150; ++k) redoViewChange();
    EXPECT_EQ(appState.sharedView, last);
    showLoadedSetUp();
    undoViewChange();
    EXPECT_EQ(appState.sharedView, last);
}

// A dragged rectangle is widened to a square about its centre, then framed exactly.
TEST_F(WindowCommands, ADraggedRectangleBecomesTheSquareAboutItsCentre) {
    frameSquareOfPreview(150, 40, 20, 60);  // 130 x 20: the square 130 wide, centred on (85, 50)
    ViewRect expected;
    frameArea(expected, 20 * previewStep, -15 * previewStep, 150 * previewStep, 115 * previewStep);
    EXPECT_EQ(appState.sharedView, expected);
    frameSquareOfPreview(10, 10, 10, 10);  // no area: nothing happens
    EXPECT_EQ(appState.sharedView, expected);
}

// Play and Help name files beside the program; an installed program finds its help in share/.
TEST(ExecutableFiles, BesideTheProgramFirstThenTheInstalledHelp) {
    EXPECT_EQ(besideExecutable("/opt/bin/halcyone", "mid"), "/opt/bin/halcyone.mid");
    EXPECT_EQ(besideExecutable("/opt/bin/halcyone.exe", "hlp"), "/opt/bin/halcyone.hlp");
    EXPECT_EQ(besideExecutable("/opt/bin.d/halcyone", "hlp"), "/opt/bin.d/halcyone.hlp");
    const auto root = std::filesystem::temp_directory_path() /
                      ("halcyone-help-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "share/halcyone");
    const std::string exe = (root / "bin/halcyone").string();
    EXPECT_EQ(helpFilePath(exe), exe + ".hlp");  // neither exists: the viewer reports it
    std::ofstream((root / "share/halcyone/halcyone.hlp").string()) << "<html></html>";
    EXPECT_EQ(helpFilePath(exe), (root / "share/halcyone/halcyone.hlp").string());
    std::ofstream(exe + ".hlp") << "<html></html>";
    EXPECT_EQ(helpFilePath(exe), exe + ".hlp");
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace halcyone
