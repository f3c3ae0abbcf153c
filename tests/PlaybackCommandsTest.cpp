#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "PlaybackTestSupport.h"
#include "platform/DesktopServices.h"
#include "platform/MemoryControlPanel.h"
#include "playback/FluidMusicService.h"
#include "playback/Playback.h"
#include "playback/ScriptedMusicService.h"

namespace halcyone {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Script = ScriptedMusicService::Script;

bool wasCalled(const Script& script, const std::string& call) {
    return std::find(script.calls.begin(), script.calls.end(), call) != script.calls.end();
}

// The window's side of playback: the "Midi device" list, Play and Stop, with the controls and
// message boxes in memory.
class PlaybackCommandsTest : public ::testing::Test {
protected:
    PlaybackCommandsTest() : controls_(panel_), desktopScope_(desktop_) {
        resetPlayback();
        script_->ports = {scriptedOutputPort("Hardware", 20), scriptedInputPort("Keyboard", 21),
                          scriptedOutputPort("Synth", 22, true), scriptedOutputPort("Other", 23)};
        playbackState.serviceFactory = ScriptedMusicService::factory(script_);
    }
    ~PlaybackCommandsTest() override { resetPlayback(); }

    void startUp() {
        ASSERT_EQ(createStartupPlayer(), resultOk);
        listMidiDevices();
        script_->calls.clear();
    }
    const MemoryControlPanel::Control& deviceList() const {
        return panel_.control(ControlId::MidiDevice);
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : desktop_.messages) {
            EXPECT_EQ(m.caption, "Error");
            texts.push_back(m.text);
        }
        return texts;
    }

    MemoryControlPanel panel_;
    ScopedControlHost controls_;
    ScriptedDesktop desktop_;
    ScopedDesktop desktopScope_;
    std::shared_ptr<Script> script_ = std::make_shared<Script>();
};

TEST_F(PlaybackCommandsTest, StartUpListsOutputPortsWithTheirNumbersAndOpensTheDefault) {
    ASSERT_EQ(createStartupPlayer(), resultOk);
    listMidiDevices();
    EXPECT_THAT(deviceList().items, ElementsAre("Hardware", "Synth", "Other"));
    EXPECT_THAT(deviceList().itemData, ElementsAre(0, 2, 3));
    EXPECT_EQ(deviceList().selection, 1);
    EXPECT_THAT(script_->calls, ElementsAre("create", "enumerate 0", "enumerate 1", "enumerate 2",
                                            "open 22", "enumerate 3", "enumerate 4"));
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
}

TEST_F(PlaybackCommandsTest, WithoutASoftwareSynthesizerNothingIsSelectedAndPlayRefuses) {
    script_->ports = {scriptedOutputPort("Hardware", 20), scriptedOutputPort("Other", 23)};
    startUp();
    EXPECT_EQ(deviceList().items.size(), 2u);
    EXPECT_EQ(deviceList().selection, -1);

    startPlayback("/tmp/piece.mid");
    EXPECT_THAT(messageTexts(), ElementsAre(noDeviceSelectedText));
    EXPECT_TRUE(script_->calls.empty());
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
}

TEST_F(PlaybackCommandsTest, AStartUpPlayerThatCannotInitialiseIsReleased) {
    script_->initialiseFails = true;
    EXPECT_EQ(createStartupPlayer(), resultNotInitialised);
    EXPECT_EQ(playbackState.player, nullptr);
    listMidiDevices();
    EXPECT_TRUE(deviceList().items.empty());
}

TEST_F(PlaybackCommandsTest, PlayBeforeAnyFileExistsSaysErrorLoadingFile) {
    startUp();
    startPlayback("");
    EXPECT_THAT(messageTexts(), ElementsAre("Error loading file"));
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
    EXPECT_FALSE(wasCalled(*script_, "play"));
}

TEST_F(PlaybackCommandsTest, PlayOpensTheChosenPortLoadsAndPlays) {
    startUp();
    sendToControl(ControlId::MidiDevice, ControlMessage::SetSelection, 2);  // "Other"
    startPlayback("/tmp/piece.mid");
    EXPECT_TRUE(desktop_.messages.empty());
    EXPECT_THAT(script_->calls, ElementsAre("close", "destroy",  // the start-up Player
                                            "create", "open 23", "load /tmp/piece.mid", "play"));
    EXPECT_EQ(playbackState.playState, PlayState::Playing);
    EXPECT_EQ(script_->alive, 1);
}

TEST_F(PlaybackCommandsTest, PlayWhilePlayingTearsTheOldPlayerDownAndStartsAfresh) {
    startUp();
    startPlayback("/tmp/piece.mid");
    script_->calls.clear();
    startPlayback("/tmp/piece.mid");
    EXPECT_THAT(script_->calls, ElementsAre("unload", "close", "destroy", "create", "open 22",
                                            "load /tmp/piece.mid", "play"));
    EXPECT_EQ(script_->alive, 1);
    EXPECT_EQ(playbackState.playState, PlayState::Playing);
}

TEST_F(PlaybackCommandsTest, StopActsOnlyWhilePlaying) {
    startUp();
    stopPlayback();  // before any Play
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
    EXPECT_TRUE(script_->calls.empty());

    startPlayback("/tmp/piece.mid");
    script_->calls.clear();
    stopPlayback();
    stopPlayback();
    EXPECT_THAT(script_->calls, ElementsAre("stop"));
    EXPECT_EQ(playbackState.playState, PlayState::Stopped);

    startPlayback("");  // a failed Play leaves the state alone
    EXPECT_EQ(playbackState.playState, PlayState::Stopped);
}

TEST_F(PlaybackCommandsTest, PlaySaysWhatIsMissingInsteadOfPlayingSilently) {
    startUp();
    script_->openResult = resultNoSoundFont;
    startPlayback("/tmp/piece.mid");
    script_->openResult = resultNoAudioOutput;
    startPlayback("/tmp/piece.mid");
    script_->openResult = resultOk;
    script_->playResult = resultFailed;
    startPlayback("/tmp/piece.mid");
    script_->initialiseFails = true;
    startPlayback("/tmp/piece.mid");

    const auto texts = messageTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_THAT(texts[0], HasSubstr("Debian package fluid-soundfont-gm"));
    EXPECT_THAT(texts[1], HasSubstr("audio output"));
    EXPECT_FALSE(texts[2].empty());
    EXPECT_EQ(texts[3], "Can't initialize DirectMusic objects.");
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
    stopPlayback();  // harmless with an uninitialised Player
}

// The same commands over the real FluidSynth service, with no audio driver to start.
class PlaybackWithFluidSynthTest : public PlaybackCommandsTest {
protected:
    PlaybackWithFluidSynthTest() {
        playbackState.serviceFactory = [] {
            FluidServiceOptions options;
            options.audioDrivers = {};
            options.listAlsaPorts = false;
            return makeFluidMusicService(options);
        };
    }
};

TEST_F(PlaybackWithFluidSynthTest, PlayBeforeAnyFileExistsSaysErrorLoadingFile) {
    startUp();
    EXPECT_THAT(deviceList().items, ElementsAre("Built-in synthesizer (FluidSynth)"));
    EXPECT_EQ(deviceList().selection, 0);
    startPlayback("");
    EXPECT_THAT(messageTexts(), ElementsAre("Error loading file"));
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
}

TEST_F(PlaybackWithFluidSynthTest, PlayWithoutAudioOutputSaysWhatIsMissing) {
    testing::TempDir dir;
    const std::string path = dir.file("piece.mid");
    testing::writeAll(path, playbacktest::buildMidiFile(120, {{0, 0, 60, 0, 1}}, 1));
    startUp();
    startPlayback(path);
    const auto texts = messageTexts();
    ASSERT_EQ(texts.size(), 1u);
    // Which is missing first depends on the machine: the SoundFont or the audio output.
    EXPECT_TRUE(texts[0] == describeMusicResult(resultNoAudioOutput) ||
                texts[0] == describeMusicResult(resultNoSoundFont))
        << texts[0];
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
}

}  // namespace
}  // namespace halcyone
