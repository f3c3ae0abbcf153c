#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "PlaybackTestSupport.h"
#include "files/MidiBytes.h"
#include "playback/MidiFileCheck.h"
#include "playback/FluidMusicService.h"
#include "playback/Render.h"
#include "playback/SoundFonts.h"

namespace halcyone {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using playbacktest::buildMidiFile;
using playbacktest::readWav;
using testing::TempDir;
using testing::writeAll;

FluidServiceOptions headless() {
    FluidServiceOptions options;
    options.audioDrivers = {};
    options.listAlsaPorts = false;
    return options;
}

bool haveSoundFont() { return !findSoundFont(standardSoundFontPaths()).empty(); }

TEST(SoundFonts, TheFirstRegularFileWins) {
    TempDir dir;
    writeAll(dir.file("b.sf2"), {1});
    writeAll(dir.file("c.sf2"), {1});
    std::filesystem::create_directory(dir.file("a.sf2"));
    EXPECT_EQ(findSoundFont({"", dir.file("a.sf2"), dir.file("missing.sf2"), dir.file("b.sf2"),
                             dir.file("c.sf2")}),
              dir.file("b.sf2"));
    EXPECT_EQ(findSoundFont({dir.file("missing.sf2")}), "");
    EXPECT_EQ(standardSoundFontPaths().front(), "/usr/share/sounds/sf2/default-GM.sf2");
}

TEST(FluidMusicService, ListsTheBuiltInSynthesizerFirstAsTheDefault) {
    auto service = FluidMusicService::create(headless());
    ASSERT_NE(service, nullptr);
    PortDescription port;
    ASSERT_EQ(service->enumeratePort(0, port), resultOk);
    EXPECT_EQ(port.description, "Built-in synthesizer (FluidSynth)");
    EXPECT_EQ(port.portClass, portClassOutput);
    EXPECT_EQ(port.flags & portFlagSoftwareSynth, portFlagSoftwareSynth);
    EXPECT_GT(port.maxVoices, 0u);
    EXPECT_EQ(service->enumeratePort(1, port), resultNoSuchPort);
    EXPECT_EQ(service->enumeratePort(-1, port), resultFailed);
}

TEST(FluidMusicService, WithoutASequencerOnlyTheSynthesizerIsListed) {
    if (std::filesystem::exists("/dev/snd/seq")) GTEST_SKIP() << "this machine has a sequencer";
    FluidServiceOptions options = headless();
    options.listAlsaPorts = true;
    auto service = FluidMusicService::create(options);
    ASSERT_NE(service, nullptr);
    PortDescription port;
    EXPECT_EQ(service->enumeratePort(0, port), resultOk);
    EXPECT_EQ(service->enumeratePort(1, port), resultNoSuchPort);
}

TEST(FluidMusicService, OpeningTheSynthesizerSaysWhatIsMissing) {
    TempDir dir;
    writeAll(dir.file("broken.sf2"), {'R', 'I', 'F', 'F', 0, 0});
    const PortId synth{portKindSynth, 0, 0};

    FluidServiceOptions noFont = headless();
    noFont.soundFonts = {dir.file("missing.sf2")};
    EXPECT_EQ(FluidMusicService::create(noFont)->openPort(synth), resultNoSoundFont);

    FluidServiceOptions noAudio = headless();
    noAudio.soundFonts = {dir.file("broken.sf2")};
    noAudio.audioDrivers = {"no-such-driver"};
    EXPECT_EQ(FluidMusicService::create(noAudio)->openPort(synth), resultNoAudioOutput);

    auto service = FluidMusicService::create(headless());
    EXPECT_EQ(service->openPort(PortId{99, 0, 0}), resultPortUnavailable);
    EXPECT_EQ(service->openPort(PortId{portKindAlsa, 128, 0}), resultPortUnavailable);
}

TEST(FluidMusicService, LoadsOnlyStandardMidiFilesAndPlaysOnlyOnAPort) {
    TempDir dir;
    const auto piece = buildMidiFile(120, {{0, 0, 60, 0, 1}}, 1);
    writeAll(dir.file("piece.mid"), piece);
    auto cut = piece;
    cut.resize(piece.size() - 3);
    writeAll(dir.file("cut.mid"), cut);
    writeAll(dir.file("text.mid"), {'M', 'T', 'h', 'x'});

    auto service = FluidMusicService::create(headless());
    ASSERT_NE(service, nullptr);
    for (const std::string& path : {std::string(), dir.file("missing.mid"), dir.file("cut.mid"),
                                    dir.file("text.mid")}) {
        EXPECT_EQ(service->loadMidiFile(path), resultNotMidiFile) << path;
    }
    EXPECT_EQ(service->playFromStart(), resultNoPort);
    EXPECT_EQ(service->loadMidiFile(dir.file("piece.mid")), resultOk);
    EXPECT_EQ(service->playFromStart(), resultNoPort);
    EXPECT_FALSE(service->isPlaying());
    EXPECT_EQ(service->stopAll(), resultOk);
}

TEST(FluidMusicService, PassesChannelMessagesOnAsMidiBytes) {
    std::unique_ptr<fluid_midi_event_t, void (*)(fluid_midi_event_t*)> event(new_fluid_midi_event(),
                                                                           delete_fluid_midi_event);
    fluid_midi_event_t* e = event.get();
    std::array<std::uint8_t, 3> bytes{};
    const auto encoded = [&] {
        const std::size_t n = encodeChannelMessage(e, bytes);
        return std::vector<int>(bytes.begin(), bytes.begin() + static_cast<long>(n));
    };
    fluid_midi_event_set_type(e, 0x90);
    fluid_midi_event_set_channel(e, 9);
    fluid_midi_event_set_key(e, 38);
    fluid_midi_event_set_velocity(e, 100);
    EXPECT_THAT(encoded(), ElementsAre(0x99, 38, 100));
    fluid_midi_event_set_type(e, 0xB0);
    fluid_midi_event_set_control(e, 10);
    fluid_midi_event_set_value(e, 127);
    EXPECT_THAT(encoded(), ElementsAre(0xB9, 10, 127));
    fluid_midi_event_set_type(e, 0xC0);
    fluid_midi_event_set_program(e, 41);
    EXPECT_THAT(encoded(), ElementsAre(0xC9, 41));
    fluid_midi_event_set_type(e, 0xE0);
    fluid_midi_event_set_channel(e, 0);
    fluid_midi_event_set_pitch(e, 8192 + 300);  // 0x212C: low seven bits first
    EXPECT_THAT(encoded(), ElementsAre(0xE0, 0x2C, 0x42));
    fluid_midi_event_set_type(e, 0x51);  // the tempo stays with the player
    EXPECT_TRUE(encoded().empty());
}

// Root-mean-square level of each 10 ms window of the left and right channels together.
std::vector<double> windowLevels(const playbacktest::WavAudio& wav) {
    const std::size_t window = static_cast<std::size_t>(wav.sampleRate / 100 * wav.channels);
    std::vector<double> levels;
    for (std::size_t at = 0; at + window <= wav.samples.size(); at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i) sum += double(wav.samples[i]) * wav.samples[i];
        levels.push_back(std::sqrt(sum / double(window)));
    }
    return levels;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    TempDir dir_;
};

TEST_F(RenderTest, RendersAudibleAudioOfTheFilesLengthAtItsTempo) {
    // At 150 bpm a beat lasts 0.4 s. Piano, marimba and a drum in the first beats, silence,
    // then a last piano note from beat 8 (3.2 s) to beat 9 (3.6 s), where the file ends.
    const int bpm = 150;
    const double beat = 60.0 / bpm;
    writeAll(dir_.file("piece.mid"), buildMidiFile(bpm, {{0, 0, 60, 0, 1}, {1, 12, 67, 1, 1},
                                                         {9, 0, 38, 2, 1}, {0, 0, 72, 8, 1}},
                                                   9));
    std::vector<double> progress;
    RenderOptions options;
    options.progress = [&progress](double f) { progress.push_back(f); };
    ASSERT_EQ(renderMidiToWav(dir_.file("piece.mid"), dir_.file("piece.wav"), options), resultOk);
    EXPECT_THAT(dir_.entries(), UnorderedElementsAre("piece.mid", "piece.wav"));

    const auto wav = readWav(dir_.file("piece.wav"));
    ASSERT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100);
    EXPECT_GE(wav.seconds(), 9 * beat);
    EXPECT_LE(wav.seconds(), 9 * beat + renderTailSeconds + 0.01);

    const auto levels = windowLevels(wav);
    const double loudest = *std::max_element(levels.begin(), levels.end());
    EXPECT_GT(loudest, 300.0);  // not silence
    // The last note starts where the tempo puts it, not where 120 bpm would (4.0 s).
    const auto quietFrom = static_cast<std::size_t>(7 * beat * 100);
    std::size_t onset = quietFrom;
    while (onset < levels.size() && levels[onset] < loudest / 4) ++onset;
    EXPECT_NEAR(onset / 100.0, 8 * beat, 0.03);

    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GT(progress.size(), 10u);
    EXPECT_EQ(progress.back(), 1.0);
}

TEST_F(RenderTest, WhatTheProgramWritesForPlayIsLoadedAndRendered) {
    // Two bars at 90 bpm: eight beats of 2/3 s.
    const std::array<NoteEvent, 3> piano{NoteEvent{60, 16, 0, 0, 100, 0, 0, 0, 0, 0},
                                         NoteEvent{64, 16, 0, 1, 90, 0, 0, 0, 0, 0},
                                         NoteEvent{}};
    const std::array<NoteEvent, 2> marimba{NoteEvent{72, 8, 32, 0, 110, 0, 0, 64, 0, 0},
                                           NoteEvent{}};
    MidiTracks tracks{};
    tracks[0] = {1, piano};
    tracks[2] = {13, marimba};
    const int bars = 2;
    const int tempo = 90;
    const std::vector<std::uint8_t> bytes = midiFileBytes(tracks, bars, tempo);
    const auto facts = inspectMidiFile(bytes);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->division, 192);
    EXPECT_EQ(facts->lengthTicks, static_cast<std::uint32_t>(bars * 4 * 192));

    writeAll(dir_.file("halcyone.mid"), bytes);
    ASSERT_EQ(renderMidiToWav(dir_.file("halcyone.mid"), dir_.file("halcyone.wav")), resultOk);
    const auto wav = readWav(dir_.file("halcyone.wav"));
    const double piece = bars * 4 * 60.0 / tempo;
    EXPECT_GE(wav.seconds(), piece);
    EXPECT_LE(wav.seconds(), piece + renderTailSeconds + 0.01);
    const auto levels = windowLevels(wav);
    EXPECT_GT(*std::max_element(levels.begin(), levels.end()), 300.0);
}

TEST_F(RenderTest, AFailedRenderLeavesTheOldFileAndNoTemporary) {
    writeAll(dir_.file("piece.mid"), buildMidiFile(120, {{0, 0, 60, 0, 1}}, 1));
    writeAll(dir_.file("not-midi.mid"), {'h', 'i'});
    writeAll(dir_.file("broken.sf2"), {'R', 'I', 'F', 'F', 0, 0});
    writeAll(dir_.file("out.wav"), {'o', 'l', 'd'});
    const auto unchanged = [this] { return testing::readAll(dir_.file("out.wav")); };
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};

    EXPECT_EQ(renderMidiToWav(dir_.file("missing.mid"), dir_.file("out.wav")), resultNotMidiFile);
    EXPECT_EQ(renderMidiToWav(dir_.file("not-midi.mid"), dir_.file("out.wav")), resultNotMidiFile);
    RenderOptions options;
    options.soundFont = dir_.file("missing.sf2");
    EXPECT_EQ(renderMidiToWav(dir_.file("piece.mid"), dir_.file("out.wav"), options), resultNoSoundFont);
    options.soundFont = dir_.file("broken.sf2");
    EXPECT_EQ(renderMidiToWav(dir_.file("piece.mid"), dir_.file("out.wav"), options), resultBadSoundFont);
    options.soundFont.clear();
    options.sampleRate = 1.0;
    EXPECT_EQ(renderMidiToWav(dir_.file("piece.mid"), dir_.file("out.wav"), options), resultFailed);
    EXPECT_EQ(unchanged(), old);
    EXPECT_EQ(renderMidiToWav(dir_.file("piece.mid"), dir_.file("no-folder/out.wav")), resultCantWrite);
    EXPECT_EQ(renderMidiToWav(dir_.file("piece.mid"), ""), resultCantWrite);
    EXPECT_THAT(dir_.entries(), UnorderedElementsAre("broken.sf2", "not-midi.mid", "out.wav", "piece.mid"));

    // A successful render replaces the file.
    EXPECT_EQ(renderMidiToWav(dir_.file("piece.mid"), dir_.file("out.wav")), resultOk);
    EXPECT_EQ(readWav(dir_.file("out.wav")).channels, 2);
}

}  // namespace
}  // namespace halcyone
