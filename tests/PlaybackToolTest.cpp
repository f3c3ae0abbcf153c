#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

#include "playback/Render.h"
#include "playback/ScriptedMusicService.h"

namespace halcyone {
namespace {

using ::testing::ElementsAre;
using Script = ScriptedMusicService::Script;

// What the command-line tool calls: the port list and playing a file to its end.
class PlaybackToolTest : public ::testing::Test {
protected:
    PlaybackToolTest() {
        script_->ports = {scriptedOutputPort("Hardware", 30), scriptedInputPort("Keyboard", 31),
                          scriptedOutputPort("Synth", 32, true)};
        options_.serviceFactory = ScriptedMusicService::factory(script_);
        options_.tailSeconds = 0;
    }

    std::shared_ptr<Script> script_ = std::make_shared<Script>();
    PlayOptions options_;
    std::atomic<bool> stop_{false};
};

TEST_F(PlaybackToolTest, ListsOutputPortsAsTheDeviceListDoesWithoutOpeningOne) {
    const auto ports = outputPorts(ScriptedMusicService::factory(script_));
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].portNumber, 0);
    EXPECT_EQ(ports[0].name, "Hardware");
    EXPECT_FALSE(ports[0].isDefault);
    EXPECT_EQ(ports[1].portNumber, 2);
    EXPECT_TRUE(ports[1].isDefault);
    EXPECT_EQ(std::count(script_->calls.begin(), script_->calls.end(), "open 32"), 0);

    script_->initialiseFails = true;
    EXPECT_TRUE(outputPorts(ScriptedMusicService::factory(script_)).empty());
}

TEST_F(PlaybackToolTest, PlaysOnTheChosenPortUntilThePieceEndsOrAStopRequest) {
    script_->playingPolls = 3;
    EXPECT_EQ(playMidiFile("piece.mid", -1, stop_, options_), resultOk);
    EXPECT_THAT(script_->calls,
                ElementsAre("create", "enumerate 0", "enumerate 1", "enumerate 2", "enumerate 3",
                            "open 32", "load piece.mid", "play", "stop", "unload", "close", "destroy"));

    script_->calls.clear();
    script_->playingPolls = 1000000;
    stop_ = true;
    EXPECT_EQ(playMidiFile("piece.mid", 0, stop_, options_), resultOk);
    EXPECT_EQ(script_->calls[5], "open 30");
    EXPECT_EQ(std::count(script_->calls.begin(), script_->calls.end(), "stop"), 1);
}

TEST_F(PlaybackToolTest, RefusesPortsThatAreNotListedAndReportsFailuresInOrder) {
    for (const int port : {1, 3, 29, 30}) {  // an input port, no port, past the table
        EXPECT_EQ(playMidiFile("piece.mid", port, stop_, options_), resultNoSuchPort) << port;
    }
    script_->openResult = resultNoAudioOutput;
    EXPECT_EQ(playMidiFile("", 2, stop_, options_), resultNotMidiFile);  // the file is told first
    EXPECT_EQ(playMidiFile("piece.mid", 2, stop_, options_), resultNoAudioOutput);
    script_->openResult = resultOk;
    script_->playResult = resultFailed;
    EXPECT_EQ(playMidiFile("piece.mid", 2, stop_, options_), resultFailed);
    script_->initialiseFails = true;
    EXPECT_EQ(playMidiFile("piece.mid", 2, stop_, options_), resultNotInitialised);

    script_->ports = {scriptedOutputPort("Hardware", 30)};  // no default
    script_->initialiseFails = false;
    EXPECT_EQ(playMidiFile("piece.mid", -1, stop_, options_), resultNoSuchPort);
}

}  // namespace
}  // namespace halcyone
