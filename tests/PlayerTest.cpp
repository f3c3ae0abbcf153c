#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "playback/Playback.h"
#include "playback/Player.h"
#include "playback/ScriptedMusicService.h"

namespace halcyone {
namespace {

using ::testing::ElementsAre;
using Script = ScriptedMusicService::Script;

std::shared_ptr<Script> scriptWith(std::vector<PortDescription> ports) {
    auto script = std::make_shared<Script>();
    script->ports = std::move(ports);
    return script;
}

std::vector<std::string> callsMatching(const Script& script, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& call : script.calls) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

TEST(Player, EnumeratePortFillsTheRecordOnlyForAnExistingPort) {
    auto script = scriptWith({scriptedOutputPort("Synth", 7, true)});
    script->failEnumerationAt = 2;
    Player player(ScriptedMusicService::factory(script));
    ASSERT_EQ(player.initialise(), resultOk);

    PortInfo info;
    ASSERT_EQ(player.enumeratePort(0, info), resultOk);
    EXPECT_EQ(info.displayName(), "Synth");
    EXPECT_TRUE(info.isOutput());
    EXPECT_TRUE(info.isSoftwareSynth());
    EXPECT_EQ(info.portId.port, 7);

    PortInfo untouched;
    untouched.flags = 99;
    EXPECT_EQ(player.enumeratePort(1, untouched), resultNoSuchPort);
    EXPECT_EQ(player.enumeratePort(2, untouched), resultFailed);
    EXPECT_EQ(player.enumeratePort(-1, untouched), resultFailed);
    EXPECT_EQ(untouched.flags, 99u);
}

TEST(Player, LongPortNamesAreCutBeforeTheCharacterThatDoesNotFit) {
    PortDescription description;
    description.description = std::string(254, 'a') + "\xC3\xA9" + "tail";  // é straddles the end
    PortInfo info = makePortInfo(description);
    EXPECT_EQ(info.displayName(), std::string(254, 'a'));

    description.description = std::string(253, 'a') + "\xC3\xA9" + "tail";  // é just fits
    info = makePortInfo(description);
    EXPECT_EQ(info.displayName(), std::string(253, 'a') + "\xC3\xA9");
    EXPECT_EQ(info.name.back(), '\0');
}

TEST(Player, PlaysOnlyALoadedStandardMidiFile) {
    auto script = scriptWith({scriptedOutputPort("Synth", 0, true)});
    Player player(ScriptedMusicService::factory(script));
    EXPECT_EQ(player.loadSegment("piece.mid", true), resultNotInitialised);
    ASSERT_EQ(player.initialise(), resultOk);
    EXPECT_EQ(player.loadSegment("piece.mid", false), resultNotMidiFile);
    EXPECT_EQ(player.loadSegment("", true), resultNotMidiFile);
    EXPECT_EQ(player.play(), resultNothingLoaded);
    ASSERT_EQ(player.loadSegment("piece.mid", true), resultOk);
    EXPECT_EQ(player.loadSegment("other.mid", true), resultOk);  // releases the first
    EXPECT_EQ(player.play(), resultOk);
    EXPECT_THAT(callsMatching(*script, "load"), ElementsAre("load ", "load piece.mid", "load other.mid"));
    EXPECT_THAT(callsMatching(*script, "unload"), ElementsAre("unload"));
}

TEST(Player, TeardownReleasesFileThenPortThenServiceOnce) {
    auto script = scriptWith({scriptedOutputPort("Synth", 0, true)});
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

// The listing the "Midi device" list is filled from.
class PortListingTest : public ::testing::Test {
protected:
    PortListing list(bool openDefault = true) {
        player_ = std::make_unique<Player>(ScriptedMusicService::factory(script_));
        EXPECT_EQ(player_->initialise(), resultOk);
        return listOutputPorts(*player_, table_, openDefault);
    }

    std::shared_ptr<Script> script_ = std::make_shared<Script>();
    std::unique_ptr<Player> player_;
    PortTable table_{};
};

TEST_F(PortListingTest, ListsOnlyOutputPortsInEnumerationOrder) {
    script_->ports = {scriptedOutputPort("B out", 0), scriptedInputPort("Keyboard in", 1),
                      scriptedOutputPort("A out", 2), scriptedInputPort("Pad in", 3),
                      scriptedOutputPort("C out", 4)};
    const PortListing listing = list();
    EXPECT_THAT(listing.portNumbers, ElementsAre(0, 2, 4));
    EXPECT_EQ(listing.defaultEntry, -1);
    EXPECT_EQ(table_[1].displayName(), "Keyboard in");  // input ports are recorded, not listed
    EXPECT_EQ(table_[4].displayName(), "C out");
    EXPECT_TRUE(callsMatching(*script_, "open").empty());
}

TEST_F(PortListingTest, TheFirstSoftwareSynthesizerIsTheDefaultEvenWhenThird) {
    script_->ports = {scriptedOutputPort("Hardware 1", 10), scriptedInputPort("In", 11),
                      scriptedOutputPort("Hardware 2", 12), scriptedOutputPort("Synth", 13, true),
                      scriptedOutputPort("Second synth", 14, true)};
    const PortListing listing = list();
    EXPECT_THAT(listing.portNumbers, ElementsAre(0, 2, 3, 4));
    EXPECT_EQ(listing.defaultEntry, 2);
    EXPECT_THAT(callsMatching(*script_, "open"), ElementsAre("open 13"));

    script_->calls.clear();
    EXPECT_EQ(list(false).defaultEntry, 2);
    EXPECT_TRUE(callsMatching(*script_, "open").empty());
}

TEST_F(PortListingTest, StopsAtTheFirstMissingOrFailingNumberAndAfterThirtyPorts) {
    for (int n = 0; n < 40; ++n) script_->ports.push_back(scriptedOutputPort("P", n));
    EXPECT_EQ(list().portNumbers.size(), portTableSize);
    EXPECT_EQ(callsMatching(*script_, "enumerate").back(), "enumerate 29");

    script_->ports.resize(3);
    EXPECT_EQ(list().portNumbers.size(), 3u);

    script_->ports.clear();
    for (int n = 0; n < 10; ++n) script_->ports.push_back(scriptedOutputPort("P", n));
    script_->failEnumerationAt = 5;
    script_->calls.clear();
    EXPECT_THAT(list().portNumbers, ElementsAre(0, 1, 2, 3, 4));
    EXPECT_EQ(callsMatching(*script_, "enumerate").back(), "enumerate 5");
}

}  // namespace
}  // namespace halcyone
