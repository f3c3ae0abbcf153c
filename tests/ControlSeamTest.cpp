// The seam without a host, and the view it selects. How hosts answer messages is the
// conformance suite's (tests/WindowConformanceTest.cpp), run against the panel and the window.
#include <gtest/gtest.h>

#include "compose/AppState.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace halcyone {
namespace {

TEST(ControlSeam, AnswersZeroWithoutAHost) {
    installControlHost(nullptr);
    EXPECT_EQ(sendToControl(ControlId::BarNumber, ControlMessage::GetPos), 0);
    EXPECT_EQ(differentSetChecked(), 0);
}

TEST(ControlSeam, CurrentViewFollowsTheDifferentSetCheckBox) {
    resetAppState();
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    appState.currentChannel = &appState.channels[1];
    EXPECT_EQ(&currentView(), &appState.sharedView);
    sendToControl(ControlId::DifferentSet, ControlMessage::SetCheck, 1);
    EXPECT_EQ(differentSetChecked(), 1);
    EXPECT_EQ(&currentView(), &appState.channels[1].view);
}

}  // namespace
}  // namespace halcyone
