#include <gtest/gtest.h>

#include <algorithm>

#include "compose/AppState.h"
#include "compose/PreviewImage.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace halcyone {
namespace {

TEST(Channel, EventListEndsAtTheFirstZeroNote) {
    Channel& c = appState.channels[2];
    clearEvents(c.events);
    c.events[0].note = 60;
    c.events[1].note = 62;
    c.events[3].note = 64;  // after the end: ignored
    EXPECT_EQ(eventCount(c.events), 2);
}

// Every setting back to its default, the events written so far cleared, channel 1 current.
TEST(AppState, ResetRestoresDefaultsAndEmptiesEvents) {
    Channel& c = appState.channels[4];
    c.instrument = 41;
    c.lowNote = 30;
    c.keys[60] = 1;
    c.rawEvents[10].note = 70;
    c.rawEventsExtent = 11;  // as every writer of the arrays does
    appState.currentChannel = &c;
    appState.composed = 1;
    resetAppState();
    for (const Channel& channel : appState.channels) EXPECT_FALSE(channel.enabled());
    EXPECT_EQ(c.lowNote, 48);
    EXPECT_EQ(c.keys[60], 0);
    EXPECT_EQ(c.rawEvents[10].note, 0);
    EXPECT_EQ(appState.currentChannelIndex(), 0);
    EXPECT_EQ(appState.composed, 0);

    // A rendered preview goes back to black, however often reset runs in between.
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    const auto allBlack = [] {
        return std::ranges::count(appState.previewBitmap, black) ==
               std::ssize(appState.previewBitmap);
    };
    appState.startColour = defaultStartColour;
    renderPreview();
    ASSERT_FALSE(allBlack());
    resetAppState();
    EXPECT_TRUE(allBlack());
    renderPreview();
    resetAppState();
    resetAppState();
    EXPECT_TRUE(allBlack());
}

// The view that navigation acts on. How hosts answer messages is the conformance suite's
// (tests/WindowConformanceTest.cpp), run against the panel and the window.
TEST(AppState, CurrentViewFollowsTheDifferentSetCheckBox) {
    resetAppState();
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    appState.currentChannel = &appState.channels[1];
    EXPECT_EQ(&currentView(), &appState.sharedView);
    sendToControl(ControlId::DifferentSet, ControlMessage::SetCheck, 1);
    EXPECT_EQ(&currentView(), &appState.channels[1].view);
}

}  // namespace
}  // namespace halcyone
