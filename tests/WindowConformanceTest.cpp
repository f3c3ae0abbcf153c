// The window's control host and the in-memory panel answer every control message alike: the
// same scripts run against both and must give the same answers.
#include <QtTest>

#include <functional>
#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/MemoryControlPanel.h"

using namespace halcyone;

namespace {

using Answers = std::vector<std::string>;

// One script: control messages whose answers (numbers and texts) are recorded.
using Script = std::function<void(Answers&)>;

void record(Answers& a, std::int32_t answer) { a.push_back(std::to_string(answer)); }
void recordText(Answers& a, ControlId id) { a.push_back("\"" + controlText(id) + "\""); }

const std::vector<std::pair<const char*, Script>> scripts = {
    {"up-down with its buddy edit",
     [](Answers& a) {
         setControlBuddy(ControlId::BarNumber, ControlId::BarNumberEdit);
         setControlRange(ControlId::BarNumber, 1, 999);
         record(a, sendToControl(ControlId::BarNumber, ControlMessage::SetPos, 5));
         recordText(a, ControlId::BarNumberEdit);
         for (const char* typed : {"12", "abc", "1000", "-3", " 7", "0", "999", "+8"}) {
             setControlText(ControlId::BarNumberEdit, typed);
             record(a, controlPosition(ControlId::BarNumber));
         }
         record(a, sendToControl(ControlId::BarNumber, ControlMessage::SetPos, 5000));
         recordText(a, ControlId::BarNumberEdit);
         setControlRange(ControlId::BarNumber, 1, 20);
         record(a, controlPosition(ControlId::BarNumber));
     }},
    {"ranges given low above high",
     [](Answers& a) {
         setControlBuddy(ControlId::Tempo, ControlId::TempoEdit);
         setControlRange(ControlId::Tempo, 300, 30);
         for (int pos : {5, 120, 500}) record(a, sendToControl(ControlId::Tempo, ControlMessage::SetPos, pos));
         recordText(a, ControlId::TempoEdit);
         for (const char* typed : {"31", "301", "29", "300"}) {
             setControlText(ControlId::TempoEdit, typed);
             record(a, controlPosition(ControlId::Tempo));
         }
         setControlRange(ControlId::Progress, 100, 0);
         record(a, sendToControl(ControlId::Progress, ControlMessage::SetPos, 150));
         setControlStep(ControlId::Progress, 30);
         for (int k = 0; k < 5; ++k) record(a, sendToControl(ControlId::Progress, ControlMessage::StepIt));
         setControlRange(ControlId::Progress, 7, 7);
         record(a, sendToControl(ControlId::Progress, ControlMessage::StepIt));
         record(a, controlPosition(ControlId::Progress));
     }},
    {"progress bar",
     [](Answers& a) {
         setControlRange(ControlId::Progress, 0, 100);
         record(a, sendToControl(ControlId::Progress, ControlMessage::SetPos, 0));
         setControlStep(ControlId::Progress, 5);
         for (int k = 0; k < 23; ++k) record(a, sendToControl(ControlId::Progress, ControlMessage::StepIt));
         record(a, sendToControl(ControlId::Progress, ControlMessage::SetPos, 150));
         record(a, controlPosition(ControlId::Progress));
         setControlRange(ControlId::Progress, 0, 50);
         record(a, controlPosition(ControlId::Progress));
         setControlStep(ControlId::Progress, 30);
         record(a, sendToControl(ControlId::Progress, ControlMessage::StepIt));
         record(a, controlPosition(ControlId::Progress));
     }},
    {"list entries, selection and item data",
     [](Answers& a) {
         clearControlEntries(ControlId::MidiDevice);
         record(a, controlSelection(ControlId::MidiDevice));
         for (const char* name : {"Synth", "Port", "Other"}) record(a, addControlEntry(ControlId::MidiDevice, name));
         record(a, sendToControl(ControlId::MidiDevice, ControlMessage::GetCount));
         record(a, sendToControl(ControlId::MidiDevice, ControlMessage::SetSelection, 7));
         record(a, sendToControl(ControlId::MidiDevice, ControlMessage::SetSelection, 1));
         record(a, controlSelection(ControlId::MidiDevice));
         record(a, sendToControl(ControlId::MidiDevice, ControlMessage::SetItemData, 1, 17));
         record(a, sendToControl(ControlId::MidiDevice, ControlMessage::SetItemData, 9, 17));
         record(a, static_cast<std::int32_t>(controlItemData(ControlId::MidiDevice, 1)));
         record(a, static_cast<std::int32_t>(controlItemData(ControlId::MidiDevice, 0)));
         record(a, static_cast<std::int32_t>(controlItemData(ControlId::MidiDevice, -1)));
         recordText(a, ControlId::MidiDevice);
         clearControlEntries(ControlId::MidiDevice);
         record(a, sendToControl(ControlId::MidiDevice, ControlMessage::GetCount));
         record(a, controlSelection(ControlId::MidiDevice));
     }},
    {"check boxes, buttons and texts",
     [](Answers& a) {
         for (ControlId id : {ControlId::CycleScale, ControlId::DifferentSet, ControlId::Channel3}) {
             record(a, controlCheck(id));
             setControlCheck(id, true);
             record(a, controlCheck(id));
         }
         setControlCheck(ControlId::CycleScale, false);
         record(a, controlCheck(ControlId::CycleScale));
         for (ControlId id : {ControlId::LowNoteName, ControlId::ReadoutX1, ControlId::Channel2,
                              ControlId::SlideSpeedEdit}) {
             setControlText(id, "F# (5)");
             recordText(a, id);
         }
         setControlText(ControlId::ReadoutY2, std::string(5000, 'x'));
         a.push_back(std::to_string(controlText(ControlId::ReadoutY2).size()));
     }},
};

}  // namespace

class WindowConformanceTest : public QObject {
    Q_OBJECT
private slots:
    void bothHostsAnswerAlike_data() {
        QTest::addColumn<int>("script");
        for (std::size_t k = 0; k < scripts.size(); ++k)
            QTest::newRow(scripts[k].first) << static_cast<int>(k);
    }

    void bothHostsAnswerAlike() {
        QFETCH(int, script);
        const Script& run = scripts[static_cast<std::size_t>(script)].second;
        Answers fromPanel, fromWindow;
        {
            MemoryControlPanel panel;
            ScopedControlHost scope(panel);
            run(fromPanel);
        }
        {
            // The window's widgets as the table makes them, before the program sets them up.
            resetAppState();
            QFile table(mainDialogTemplate);
            QVERIFY(table.open(QIODevice::ReadOnly));
            const QByteArray text = table.readAll();
            MainWindow window(*parseDialogTemplate(std::string_view(text.constData(), text.size())).dialog);
            ScopedControlHost scope(window.controls());
            run(fromWindow);
        }
        const auto joined = [](const Answers& a) {
            QStringList list;
            for (const std::string& s : a) list << QString::fromStdString(s);
            return list.join(' ');
        };
        QCOMPARE(joined(fromWindow), joined(fromPanel));
    }
};

QTEST_MAIN(WindowConformanceTest)
#include "WindowConformanceTest.moc"
