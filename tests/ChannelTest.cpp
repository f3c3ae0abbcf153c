#include <gtest/gtest.h>

#include "compose/AppState.h"
#include "compose/NotePools.h"

namespace halcyone {
namespace {

TEST(Channel, StartsOffWithTheDefaultSettings) {
    resetAppState();
    for (const Channel& c : appState.channels) {
        EXPECT_EQ(c.instrument, 0);
        EXPECT_FALSE(c.enabled());
        EXPECT_EQ(c.lowNote, 48);
        EXPECT_EQ(c.highNote, 71);
        EXPECT_EQ(noteName(c.lowNote), "C  (5)");
        EXPECT_EQ(noteName(c.highNote), "B  (6)");
        EXPECT_EQ(c.scaleIndex, 0);
        EXPECT_EQ(c.noteLength, 3);
        EXPECT_EQ(c.mode, static_cast<int>(ScanMode::UpBorder));
        EXPECT_EQ(c.colour, black);
        EXPECT_EQ(c.view, ViewRect{});
        EXPECT_EQ(eventCount(c.events), 0);
    }
    EXPECT_EQ(appState.currentChannel, &appState.channels[0]);
    EXPECT_EQ(appState.barCount, 0);
    EXPECT_EQ(appState.composed, 0);
}

TEST(Channel, EventListEndsAtTheFirstZeroNote) {
    Channel& c = appState.channels[2];
    clearEvents(c.events);
    c.events[0] = NoteEvent{60, 8, 0, 0, 127, 0, 0, 0, 0, 0};
    c.events[1] = NoteEvent{62, 8, 8, 0, 127, 0, 0, 0, 0, 0};
    c.events[3] = NoteEvent{64, 8, 16, 0, 127, 0, 0, 0, 0, 0};  // after the end: ignored
    EXPECT_EQ(eventCount(c.events), 2);
    c.events[maxEvents - 1].velocity = 5;
    clearEvents(c.events);
    EXPECT_EQ(c.events[0], NoteEvent{});
    EXPECT_EQ(c.events[maxEvents - 1], NoteEvent{});
}

TEST(Channel, ResetRestoresDefaultsAndEmptiesEvents) {
    Channel& c = appState.channels[4];
    c.instrument = 41;
    c.keys[60] = 1;
    c.rawEvents[10].note = 70;
    c.rawEventsExtent = 11;  // as every writer of the arrays does
    appState.currentChannel = &c;
    appState.composed = 1;
    resetAppState();
    EXPECT_EQ(c.instrument, 0);
    EXPECT_EQ(c.keys[60], 0);
    EXPECT_EQ(c.rawEvents[10].note, 0);
    EXPECT_EQ(appState.currentChannelIndex(), 0);
    EXPECT_EQ(appState.composed, 0);
}

}  // namespace
}  // namespace halcyone
