#include <gtest/gtest.h>

#include "compose/AppState.h"
#include "compose/ControlSync.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace halcyone {
namespace {

TEST(ControlSeam, AnswersZeroWithoutAHost) {
    installControlHost(nullptr);
    EXPECT_EQ(sendToControl(ControlId::BarNumber, ControlMessage::GetPos), 0);
    EXPECT_EQ(differentSetChecked(), 0);
}

TEST(ControlSeam, PanelStartsWithTheWindowsUpDownsAndProgressBar) {
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    setUpControls();
    EXPECT_EQ(sendToControl(ControlId::BarNumber, ControlMessage::GetPos), 5);
    EXPECT_EQ(sendToControl(ControlId::Tempo, ControlMessage::GetPos), 120);
    EXPECT_EQ(sendToControl(ControlId::SlideSpeed, ControlMessage::GetPos), 0);
    // Positions are clamped to the range, as the up-down control does.
    sendToControl(ControlId::Tempo, ControlMessage::SetPos, 0);
    EXPECT_EQ(sendToControl(ControlId::Tempo, ControlMessage::GetPos), 30);
    sendToControl(ControlId::BarNumber, ControlMessage::SetPos, 5000);
    EXPECT_EQ(sendToControl(ControlId::BarNumber, ControlMessage::GetPos), 999);
}

TEST(ControlSeam, ProgressBarStepsAndStartsOverPastTheMaximum) {
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    setUpProgressBar();
    for (int k = 0; k < 20; ++k) sendToControl(ControlId::Progress, ControlMessage::StepIt);
    EXPECT_EQ(panel.control(ControlId::Progress).pos, 100);
    sendToControl(ControlId::Progress, ControlMessage::StepIt);
    EXPECT_EQ(panel.control(ControlId::Progress).pos, 5);
    EXPECT_EQ(panel.count(ControlId::Progress, ControlMessage::StepIt), 21);
}

TEST(ControlSeam, ListsKeepEntriesSelectionAndData) {
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    EXPECT_EQ(sendToControl(ControlId::MidiDevice, ControlMessage::GetSelection), -1);
    const auto add = [](const char* s) {
        return sendToControl(ControlId::MidiDevice, ControlMessage::AddString, 0,
                             reinterpret_cast<std::intptr_t>(s));
    };
    EXPECT_EQ(add("Synth"), 0);
    EXPECT_EQ(add("Port"), 1);
    sendToControl(ControlId::MidiDevice, ControlMessage::SetItemData, 1, 3);
    EXPECT_EQ(sendToControl(ControlId::MidiDevice, ControlMessage::GetItemData, 1), 3);
    EXPECT_EQ(sendToControl(ControlId::MidiDevice, ControlMessage::SetSelection, 7), -1);
    sendToControl(ControlId::MidiDevice, ControlMessage::SetSelection, 1);
    EXPECT_EQ(sendToControl(ControlId::MidiDevice, ControlMessage::GetSelection), 1);
    EXPECT_EQ(panel.control(ControlId::MidiDevice).items[0], "Synth");
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
