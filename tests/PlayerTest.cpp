#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "playback/Player.h"
#include "testing/ScriptedMusicService.h"

namespace halcyone {
namespace {

using ::testing::ElementsAre;
using Script = ScriptedMusicService::Script;

std::shared_ptr<Script> scriptWithSynth() {
    auto script = std::make_shared<Script>();
    script->ports = {scriptedOutputPort("Synth", 7, true)};
    return script;
}

TEST(Player, LongPortNamesAreCutBeforeTheCharacterThatDoesNotFit) {
    PortDescription description;
    description.description = std::string(254, 'a') + "\xC3\xA9" + "tail";  // é straddles the end
    EXPECT_EQ(makePortInfo(description).displayName(), std::string(254, 'a'));
    description.description = std::string(253, 'a') + "\xC3\xA9" + "tail";  // é just fits
    const PortInfo info = makePortInfo(description);
    EXPECT_EQ(info.displayName(), std::string(253, 'a') + "\xC3\xA9");
    EXPECT_EQ(info.name.back(), '\0');
}

TEST(Player, PlaysOnlyALoadedStandardMidiFile) {
    auto script = scriptWithSynth();
    Player player(ScriptedMusicService::factory(script));
    EXPECT_EQ(player.loadSegment("piece.mid", true), resultNotInitialised);
    ASSERT_EQ(player.initialise(), resultOk);
    EXPECT_EQ(player.loadSegment("piece.mid", false), resultNotMidiFile);
    EXPECT_EQ(player.loadSegment("", true), resultNotMidiFile);
    EXPECT_EQ(player.play(), resultNothingLoaded);
    ASSERT_EQ(player.loadSegment("piece.mid", true), resultOk);
    EXPECT_EQ(player.loadSegment("other.mid", true), resultOk);  // releases the first
    EXPECT_EQ(player.play(), resultOk);
    EXPECT_THAT(script->calls, ElementsAre("create", "load ", "load piece.mid", "unload",
                                           "load other.mid", "play"));
}

TEST(Player, TeardownReleasesFileThenPortThenServiceOnce) {
    auto script = scriptWithSynth();
    {
        Player player(ScriptedMusicService::factory(script));
        ASSERT_EQ(player.initialise(), resultOk);
        PortInfo info;
        ASSERT_EQ(player.enumeratePort(0, info), resultOk);
        ASSERT_EQ(player.createPort(info), resultOk);
        ASSERT_EQ(player.loadSegment("piece.mid", true), resultOk);
        ASSERT_EQ(player.play(), resultOk);
        script->calls.clear();
        player.teardown();
        EXPECT_THAT(script->calls, ElementsAre("unload", "close", "destroy"));
        player.teardown();
        EXPECT_EQ(player.stop(), resultNotInitialised);
    }
    EXPECT_EQ(script->calls.size(), 3u);  // the destructor found nothing left
    EXPECT_EQ(script->alive, 0);
}

}  // namespace
}  // namespace halcyone
