// The Player over a scripted service: port names cut to fit, and what it plays. How Play, Stop
// and the tool tear Players down is PlaybackCommandsTest's.
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
    auto script = std::make_shared<Script>();
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

}  // namespace
}  // namespace halcyone
