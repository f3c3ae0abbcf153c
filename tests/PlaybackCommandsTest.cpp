// Playback as the window and the command-line tool drive it: the "Midi device" list, Play and
// Stop, the tool's port list and playing a file to its end, over a scripted service. FluidSynth
// itself is PlaybackFluidTest's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <numeric>
#include <string>

#include "FilesTestSupport.h"
#include "playback/Playback.h"
#include "playback/OutputPorts.h"
#include "playback/PlayFile.h"
#include "testing/ScriptedMusicService.h"

namespace halcyone {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::Texts;

// Output ports 0, 2 and 3 (20, 22, 23 to the service), the synthesizer second in the list.
class PlaybackCommands : public testing::CommandTest {
protected:
    PlaybackCommands() {
        script->ports = {scriptedOutputPort("Hardware", 20), scriptedInputPort("Keyboard", 21),
                         scriptedOutputPort("Synth", 22, true), scriptedOutputPort("Other", 23)};
        useScript();
    }
    ~PlaybackCommands() override { resetPlayback(); }

    void useScript() {
        resetPlayback();
        playbackState.serviceFactory = ScriptedMusicService::factory(script);
    }
    void startUp() {
        ASSERT_EQ(createStartupPlayer(), resultOk);
        listMidiDevices();
        script->calls.clear();
    }
    const MemoryControlPanel::Control& deviceList() const {
        return panel.control(ControlId::MidiDevice);
    }
    Texts callsStartingWith(const std::string& prefix) const {
        Texts found;
        for (const auto& call : script->calls)
            if (call.starts_with(prefix)) found.push_back(call);
        return found;
    }

    std::shared_ptr<ScriptedMusicService::Script> script =
        std::make_shared<ScriptedMusicService::Script>();
    std::atomic<bool> stop{false};
    // "started" lands among the service's calls where the tool would print "Playing ...".
    const PlayOptions toolOptions{{}, ScriptedMusicService::factory(script), 0,
                                  [this] { script->calls.push_back("started"); }, {}};
};

// Output ports only, in enumeration order, each entry carrying its port number; the first
// software synthesizer selected and opened, even when third, and nothing selected without one;
// the listing ends at the first missing or failing port number and after 30 ports. With
// nothing selected Play refuses.
TEST_F(PlaybackCommands, DeviceListShowsOutputPortsAndSelectsTheFirstSynthesizer) {
    std::vector<PortDescription> forty;
    for (int n = 0; n < 40; ++n) forty.push_back(scriptedOutputPort("P" + std::to_string(n), n));
    std::vector<long> first30(30);
    std::iota(first30.begin(), first30.end(), 0);
    struct Case {
        std::vector<PortDescription> ports;
        int failAt;
        std::vector<long> listed;
        int selection;
        Texts opened;
        std::string lastEnumerated;
    };
    const Case cases[] = {
        {{scriptedOutputPort("Hardware 1", 10), scriptedInputPort("In", 11),
          scriptedOutputPort("Hardware 2", 12), scriptedOutputPort("Synth", 13, true),
          scriptedOutputPort("Second synth", 14, true)},
         -1, {0, 2, 3, 4}, 2, {"open 13"}, "enumerate 5"},
        {forty, -1, first30, -1, {}, "enumerate 29"},
        {forty, 5, {0, 1, 2, 3, 4}, -1, {}, "enumerate 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
        useScript();
        script->ports = c.ports;
        script->failEnumerationAt = c.failAt;
        script->calls.clear();
        ASSERT_EQ(createStartupPlayer(), resultOk);
        listMidiDevices();
        EXPECT_THAT(deviceList().itemData, ::testing::ElementsAreArray(c.listed));
        for (std::size_t k = 0; k < deviceList().items.size(); ++k)
            EXPECT_EQ(deviceList().items[k], c.ports[c.listed.at(k)].description);
        EXPECT_EQ(deviceList().selection, c.selection);
        EXPECT_EQ(callsStartingWith("open"), c.opened);
        EXPECT_EQ(callsStartingWith("enumerate").back(), c.lastEnumerated);
    }
    EXPECT_EQ(startPlayback("/tmp/piece.mid"), resultNoDeviceSelected);
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
}

// Play replaces the start-up Player, or the one playing, by a new one on the chosen port; Stop
// stops only what plays. Play before the first Compose (no file written) and Stop before any
// Play or a second time do nothing; the Play says what is wrong.
TEST_F(PlaybackCommands, PlayAndStopChangeTheStateOnlyWhenTheyCan) {
    startUp();
    stopPlayback();
    EXPECT_EQ(describeMusicResult(startPlayback("")), "Error loading file");
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
    EXPECT_TRUE(callsStartingWith("play").empty());
    EXPECT_TRUE(callsStartingWith("stop").empty());

    sendToControl(ControlId::MidiDevice, ControlMessage::SetSelection, 2);  // "Other"
    script->calls.clear();
    EXPECT_EQ(startPlayback("/tmp/piece.mid"), resultOk);
    EXPECT_THAT(script->calls, ElementsAre("close", "destroy", "create", "open 23",
                                           "load /tmp/piece.mid", "play"));
    script->calls.clear();
    EXPECT_EQ(startPlayback("/tmp/piece.mid"), resultOk);
    EXPECT_THAT(script->calls, ElementsAre("unload", "close", "destroy", "create", "open 23",
                                           "load /tmp/piece.mid", "play"));
    EXPECT_EQ(script->alive, 1);
    EXPECT_EQ(playbackState.playState, PlayState::Playing);
    script->calls.clear();
    stopPlayback();
    stopPlayback();
    EXPECT_THAT(script->calls, ElementsAre("stop"));
    EXPECT_EQ(playbackState.playState, PlayState::Stopped);
    EXPECT_EQ(startPlayback(""), resultNotMidiFile);  // a failed Play leaves the state alone
    EXPECT_EQ(playbackState.playState, PlayState::Stopped);
}

// Play says what is missing rather than playing silently. (A start-up Player that can't
// initialise ends the window: WindowTest.)
TEST_F(PlaybackCommands, PlaySaysWhatIsMissingInsteadOfPlayingSilently) {
    startUp();
    Texts told;
    const auto play = [&told] { told.push_back(describeMusicResult(startPlayback("/tmp/piece.mid"))); };
    for (int result : {resultNoSoundFont, resultNoAudioOutput}) {
        script->openResult = result;
        play();
    }
    script->openResult = resultOk;
    script->playResult = resultFailed;
    play();
    script->initialiseFails = true;
    play();
    EXPECT_THAT(told, ElementsAre(HasSubstr("Debian package fluid-soundfont-gm"),
                                  HasSubstr("audio output"), ::testing::Ne(""),
                                  "Can't initialize DirectMusic objects."));
    EXPECT_EQ(playbackState.playState, PlayState::Idle);
    stopPlayback();  // harmless with an uninitialised Player
}

// The command-line tool lists the ports as the device list does, without opening one.
TEST_F(PlaybackCommands, ToolListsOutputPortsAsTheDeviceListDoes) {
    std::string listed;
    for (const OutputPort& port : outputPorts(ScriptedMusicService::factory(script)))
        listed += std::to_string(port.portNumber) + " " + port.name +
                  (port.isDefault ? " (default); " : "; ");
    EXPECT_EQ(listed, "0 Hardware; 2 Synth (default); 3 Other; ");
    EXPECT_TRUE(callsStartingWith("open").empty());
    script->initialiseFails = true;
    EXPECT_TRUE(outputPorts(ScriptedMusicService::factory(script)).empty());
}

// The tool plays on the chosen port (or the default) until the piece ends or a stop request.
TEST_F(PlaybackCommands, ToolPlaysOnTheChosenPortUntilTheEndAndRefusesWhatIsNotListed) {
    script->playingPolls = 3;
    EXPECT_EQ(playMidiFile("piece.mid", -1, stop, toolOptions), resultOk);
    EXPECT_THAT(script->calls,
                ElementsAre("create", "enumerate 0", "enumerate 1", "enumerate 2", "enumerate 3",
                            "enumerate 4", "open 22", "load piece.mid", "play", "started", "stop", "unload",
                            "close", "destroy"));
    EXPECT_EQ(script->alive, 0);
    script->calls.clear();
    script->playingPolls = 1000000;
    stop = true;
    EXPECT_EQ(playMidiFile("piece.mid", 0, stop, toolOptions), resultOk);
    EXPECT_EQ(callsStartingWith("open"), Texts{"open 20"});
    EXPECT_EQ(callsStartingWith("stop").size(), 1u);

    // Ports that are not listed are refused; failures come in order, the file's first.
    script->calls.clear();
    for (const int port : {1, 4, 29, 30})  // an input port, no port, past the table
        EXPECT_EQ(playMidiFile("piece.mid", port, stop, toolOptions), resultNoSuchPort) << port;
    script->openResult = resultNoAudioOutput;
    EXPECT_EQ(playMidiFile("", 2, stop, toolOptions), resultNotMidiFile);  // the file is told first
    EXPECT_EQ(playMidiFile("piece.mid", 2, stop, toolOptions), resultNoAudioOutput);
    script->openResult = resultOk;
    script->playResult = resultFailed;
    EXPECT_EQ(playMidiFile("piece.mid", 2, stop, toolOptions), resultFailed);
    EXPECT_TRUE(callsStartingWith("started").empty());
    script->initialiseFails = true;
    EXPECT_EQ(playMidiFile("piece.mid", 2, stop, toolOptions), resultNotInitialised);
    script->ports.resize(1);  // no synthesizer, so no default
    script->initialiseFails = false;
    EXPECT_EQ(playMidiFile("piece.mid", -1, stop, toolOptions), resultNoSuchPort);
}

}  // namespace
}  // namespace halcyone
