// FluidSynth itself: the music service without an audio driver, the MIDI bytes it passes to
// ALSA ports, and the offline file renderer on what the program writes for Play.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

#include "FilesTestSupport.h"
#include "files/MidiBytes.h"
#include "playback/FluidMusicService.h"
#include "playback/MidiFileCheck.h"
#include "playback/Render.h"
#include "playback/SoundFonts.h"
#include "playback/Stems.h"

namespace halcyone {
namespace {

using ::testing::ElementsAre;
using namespace testing;

FluidServiceOptions headless() {
    FluidServiceOptions options;
    options.audioDrivers = {};
    options.listAlsaPorts = false;
    return options;
}

// Two bars written by the program's own writer: piano on channel 1, marimba on channel 3.
Bytes twoBars(int tempo) {
    static const std::array<NoteEvent, 3> piano{NoteEvent{60, 16, 0, 0, 100, 0, 0, 0, 0, 0},
                                                NoteEvent{64, 16, 0, 1, 90, 0, 0, 0, 0, 0},
                                                NoteEvent{}};
    static const std::array<NoteEvent, 2> marimba{NoteEvent{72, 8, 32, 0, 110, 0, 0, 64, 0, 0},
                                                  NoteEvent{}};
    MidiTracks tracks{};
    tracks[0] = {1, piano};
    tracks[2] = {13, marimba};
    return midiFileBytes(tracks, 2, tempo);
}

// sox's reading of a WAV file: channels, sample rate, length in seconds and RMS level (1: full
// scale), one a line.
std::vector<double> readWav(const std::string& path) {
    const std::string file = "'" + path + "'";
    const std::string lengthAndLevel = " -n stat 2>&1 | awk '/^(Length|RMS +amp)/ {print $3}'";
    std::istringstream out(commandOutput("soxi -c " + file + " && soxi -r " + file + " && sox " +
                                         file + lengthAndLevel));
    return {std::istream_iterator<double>(out), std::istream_iterator<double>()};
}

// The interleaved 16-bit samples of a WAV file as libsndfile writes it; empty when it is not one.
std::vector<std::int16_t> wavSamples(const std::string& path) {
    const Bytes file = readAll(path);
    for (std::size_t at = 12; at + 8 <= file.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, &file[at + 4], 4);
        if (std::memcmp(&file[at], "data", 4) == 0 && at + 8 + size <= file.size()) {
            std::vector<std::int16_t> samples(size / 2);
            std::memcpy(samples.data(), &file[at + 8], samples.size() * 2);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

// Largest magnitude and RMS of samples [from, to), full scale 1.
struct Level {
    double peak = 0, rms = 0;
};
Level levelOf(const std::vector<double>& samples, std::size_t from = 0,
              std::size_t to = SIZE_MAX) {
    Level level;
    to = std::min(to, samples.size());
    for (std::size_t k = from; k < to; ++k) {
        level.peak = std::max(level.peak, std::abs(samples[k]));
        level.rms += samples[k] * samples[k];
    }
    level.rms = to > from ? std::sqrt(level.rms / double(to - from)) : 0;
    return level;
}
std::vector<double> scaled(const std::vector<std::int16_t>& samples) {
    std::vector<double> out(samples.begin(), samples.end());
    for (double& x : out) x /= 32768.0;
    return out;
}
double decibels(double ratio) { return 20 * std::log10(ratio); }

TEST(AudioFormats, AreNamedByTheFileNameOrAWord) {
    EXPECT_EQ(audioFormatForFileName("out/piece.wav"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatForFileName("piece.FLAC"), AudioFormat::Flac);
    EXPECT_EQ(audioFormatForFileName("piece.ogg"), AudioFormat::Ogg);
    EXPECT_EQ(audioFormatForFileName("piece.Oga"), AudioFormat::Ogg);
    for (const char* other : {"piece.mp3", "piece", ".wav", "stems.flac/piece", "piece.wav.gz"})
        EXPECT_EQ(audioFormatForFileName(other), std::nullopt) << other;
    EXPECT_EQ(audioFormatNamed("OGG"), AudioFormat::Ogg);
    EXPECT_EQ(audioFormatNamed("vorbis"), std::nullopt);
    EXPECT_EQ(stemFileName({2, 87}, AudioFormat::Flac), "03-Lead-8-bass-lead.flac");
    EXPECT_EQ(stemFileName({4, -1}, AudioFormat::Ogg), "05-Channel-5.ogg");
}

TEST(SoundFonts, TheFirstRegularFileWins) {
    TempDir dir;
    writeAll(dir.file("b.sf2"), {1});
    writeAll(dir.file("c.sf2"), {1});
    std::filesystem::create_directory(dir.file("a.sf2"));
    EXPECT_EQ(findSoundFont({"", dir.file("a.sf2"), dir.file("missing.sf2"), dir.file("b.sf2"),
                             dir.file("c.sf2")}),
              dir.file("b.sf2"));
    EXPECT_EQ(findSoundFont({dir.file("missing.sf2")}), "");
}

// Opening the synthesizer says what is missing; a file must be there and pass the MIDI file
// check, and it plays only on an open port.
TEST(FluidMusicService, SaysWhatIsMissingAndLoadsOnlyCompleteFiles) {
    TempDir dir;
    writeAll(dir.file("broken.sf2"), {'R', 'I', 'F', 'F', 0, 0});
    writeAll(dir.file("piece.mid"), twoBars(120));
    const PortId synth{portKindSynth, 0, 0};
    FluidServiceOptions options = headless();
    options.soundFonts = {dir.file("missing.sf2")};
    EXPECT_EQ(FluidMusicService::create(options)->openPort(synth), resultNoSoundFont);
    // The audio output waits for Play: the window opens port 0 at start-up, sound card or not.
    options.soundFonts = {dir.file("broken.sf2")};
    options.audioDrivers = {"no-such-driver"};
    auto mute = FluidMusicService::create(options);
    EXPECT_EQ(mute->openPort(synth), resultOk);
    EXPECT_EQ(mute->loadMidiFile(dir.file("piece.mid")), resultOk);
    EXPECT_EQ(mute->playFromStart(), resultNoAudioOutput);

    auto service = FluidMusicService::create(headless());
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->openPort(PortId{99, 0, 0}), resultPortUnavailable);
    EXPECT_EQ(service->openPort(PortId{portKindAlsa, 128, 0}), resultPortUnavailable);
    writeAll(dir.file("notes.txt"), {'h', 'i'});
    std::filesystem::create_directory(dir.file("folder.mid"));
    for (const char* name : {"", "missing.mid", "notes.txt", "folder.mid"})
        EXPECT_EQ(service->loadMidiFile(*name ? dir.file(name) : ""), resultNotMidiFile) << name;
    EXPECT_EQ(service->loadMidiFile(dir.file("piece.mid")), resultOk);
    EXPECT_EQ(service->playFromStart(), resultNoPort);
    EXPECT_FALSE(service->isPlaying());
}

// What goes to an ALSA port: FluidSynth keeps key, controller and program in one field and
// velocity and value in another.
TEST(FluidMusicService, PassesChannelMessagesOnAsMidiBytes) {
    std::unique_ptr<fluid_midi_event_t, void (*)(fluid_midi_event_t*)> event(new_fluid_midi_event(),
                                                                           delete_fluid_midi_event);
    fluid_midi_event_t* e = event.get();
    std::array<std::uint8_t, 3> bytes{};
    const auto encoded = [&](int type) {
        fluid_midi_event_set_type(e, type);
        return std::vector<int>(bytes.begin(),
                                bytes.begin() + long(encodeChannelMessage(e, bytes)));
    };
    fluid_midi_event_set_channel(e, 9);
    fluid_midi_event_set_key(e, 38);
    fluid_midi_event_set_velocity(e, 100);
    EXPECT_THAT(encoded(0x90), ElementsAre(0x99, 38, 100));
    EXPECT_THAT(encoded(0xA0), ElementsAre(0xA9, 38, 100));
    EXPECT_THAT(encoded(0xB0), ElementsAre(0xB9, 38, 100));
    EXPECT_THAT(encoded(0xC0), ElementsAre(0xC9, 38));
    EXPECT_THAT(encoded(0xD0), ElementsAre(0xD9, 38));
    EXPECT_TRUE(encoded(0x51).empty());  // the tempo stays with the player
    fluid_midi_event_set_pitch(e, 8192 + 300);  // 0x212C: low seven bits first
    EXPECT_THAT(encoded(0xE0), ElementsAre(0xE9, 0x2C, 0x42));
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (findSoundFont(standardSoundFontPaths()).empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    // Opens the output as the tool does and renders into it.
    static RenderResult render(const Bytes& midi, const std::string& wavPath,
                               const RenderOptions& options = {}) {
        SafeFile output;
        EXPECT_TRUE(output.open(wavPath).ok());
        return renderMidiToAudio(midi, output, options);
    }
    TempDir dir_;
};

// Two bars at 90 bpm are eight beats of 2/3 s: at 120 bpm the audio would be too short.
TEST_F(RenderTest, RendersWhatTheProgramWritesForPlayAudiblyAtItsTempo) {
    const int tempo = 90;
    const Bytes bytes = twoBars(tempo);
    EXPECT_EQ(inspectMidiFile(bytes).value_or(MidiFileFacts{}).lengthTicks, 2u * 4 * 192);
    std::vector<double> progress;
    RenderOptions options;
    options.progress = [&progress](double f) { progress.push_back(f); };
    const RenderResult rendered = render(bytes, dir_.file("halcyone.wav"), options);
    ASSERT_TRUE(rendered.ok()) << rendered.result << " " << rendered.file.reason();
    EXPECT_EQ(rendered.soundFont, findSoundFont(standardSoundFontPaths()));
    EXPECT_EQ(dir_.entries(), (Texts{"halcyone.wav"}));

    const std::vector<double> wav = readWav(dir_.file("halcyone.wav"));
    ASSERT_EQ(wav.size(), 4u);
    EXPECT_EQ(wav[0], 2);
    EXPECT_EQ(wav[1], 44100);
    const double piece = 2 * 4 * 60.0 / tempo;
    EXPECT_GE(wav[2], piece);
    EXPECT_LE(wav[2], piece + renderTailSeconds + 0.01);
    EXPECT_GT(wav[3], 0.002) << "silence";  // about 0.006 with the usual SoundFont
    EXPECT_GT(progress.size(), 10u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 1.0);
}

// A file that is no MIDI file, a synthesizer that fails, a write that fails half-way and a stop
// request: the old file stays, no temporary is left, and a failed write says why. (A SoundFont
// missing or broken is the command-line test's, with the tool's messages.)
TEST_F(RenderTest, AFailedOrStoppedRenderLeavesTheOldFileAndNoTemporary) {
    const auto path = [this](const char* name) { return dir_.file(name); };
    const Bytes piece = twoBars(120);
    writeAll(path("out.wav"), {'o', 'l', 'd'});
    EXPECT_EQ(render({'h', 'i'}, path("out.wav")).result, resultNotMidiFile);
    RenderOptions options;
    options.sampleRate = 1.0;
    EXPECT_EQ(render(piece, path("out.wav"), options).result, resultFailed);
    withFileSizeLimit(10000, [&] {
        const RenderResult cut = render(piece, path("out.wav"));
        EXPECT_EQ(cut.result, resultCantWrite);
        EXPECT_EQ(cut.file.systemError, EFBIG);
    });
    const std::atomic<bool> stop{true};
    options = {};
    options.stop = &stop;
    EXPECT_TRUE(render(piece, path("out.wav"), options).stopped);
    EXPECT_EQ(readAll(path("out.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir_.entries(), Texts{"out.wav"});
}

// FLAC decodes to the WAV's samples (libsndfile rounds to 16 bits a little differently for the
// two: one step at most); Ogg Vorbis to as many; both stereo.
TEST_F(RenderTest, FlacAndOggVorbisHoldWhatTheWavHolds) {
    const Bytes piece = twoBars(120);
    for (const auto& [name, format] : {std::pair{"piece.wav", AudioFormat::Wav},
                                       {"piece.flac", AudioFormat::Flac},
                                       {"piece.ogg", AudioFormat::Ogg}}) {
        RenderOptions options;
        options.format = format;
        ASSERT_TRUE(render(piece, dir_.file(name), options).ok()) << name;
    }
    const auto soxi = [this](const std::string& what, const char* name) {
        return commandOutput("soxi " + what + " " + dir_.file(name));
    };
    EXPECT_EQ(soxi("-t", "piece.flac") + soxi("-t", "piece.ogg"), "flac\nvorbis\n");
    for (const char* name : {"piece.flac", "piece.ogg"}) {
        EXPECT_EQ(soxi("-c", name), "2\n") << name;
        EXPECT_EQ(soxi("-s", name), soxi("-s", "piece.wav")) << name;
    }
    commandOutput("sox " + dir_.file("piece.flac") + " " + dir_.file("decoded.wav"));
    const auto flac = wavSamples(dir_.file("decoded.wav")), wav = wavSamples(dir_.file("piece.wav"));
    ASSERT_EQ(flac.size(), wav.size());
    EXPECT_GT(levelOf(scaled(wav)).peak, 0.05);
    for (std::size_t k = 0; k < wav.size(); ++k) ASSERT_LE(std::abs(flac[k] - wav[k]), 1) << k;
}

// Piano on channel 1 from the start, marimba on channel 3 from the middle of bar 1: a stem each,
// as long as the whole render, the marimba's silent until its note, and together close to the
// whole render.
TEST_F(RenderTest, StemsLineUpWithTheWholeRenderAndSoundWhereTheirChannelPlays) {
    const int tempo = 90;
    const Bytes piece = twoBars(tempo);
    ASSERT_TRUE(render(piece, dir_.file("whole.wav")).ok());
    std::vector<double> progress;
    RenderOptions options;
    options.progress = [&progress](double f) { progress.push_back(f); };
    const StemsResult stems = renderMidiToStems(piece, dir_.file("stems"), options);
    ASSERT_TRUE(stems.render.ok()) << stems.render.result << " " << stems.render.file.reason();
    EXPECT_EQ(stems.files, (Texts{dir_.file("stems/01-Acoustic-Grand-Piano.wav"),
                                  dir_.file("stems/03-Marimba.wav")}));
    EXPECT_EQ(progress.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    const auto whole = scaled(wavSamples(dir_.file("whole.wav")));
    const auto piano = scaled(wavSamples(stems.files[0]));
    const auto marimba = scaled(wavSamples(stems.files[1]));
    ASSERT_FALSE(whole.empty());
    ASSERT_EQ(piano.size(), whole.size());
    ASSERT_EQ(marimba.size(), whole.size());
    const auto marimbaStart = std::size_t(2 * 60.0 / tempo * 44100) * 2;  // two beats, stereo
    const std::size_t block = 64 * 2;
    const double leastStep = 1 / 32768.0;  // the reverb's idle output rounds to it
    EXPECT_LE(levelOf(marimba, 0, marimbaStart - block).peak, leastStep);
    EXPECT_GT(levelOf(marimba, marimbaStart + block).rms, 0.002);
    EXPECT_GT(levelOf(piano, 0, marimbaStart).rms, 0.002);

    std::vector<double> difference(whole.size());
    for (std::size_t k = 0; k < whole.size(); ++k) difference[k] = piano[k] + marimba[k] - whole[k];
    const Level wholeLevel = levelOf(whole), off = levelOf(difference);
    std::cout << "Stems' sum against the whole render: difference at "
              << decibels(off.rms / wholeLevel.rms) << " dB RMS, peaks at "
              << decibels(off.peak / wholeLevel.rms) << " dB (both relative to the whole "
              << "render's RMS)\n";
    EXPECT_LT(off.rms, wholeLevel.rms / 100);  // -40 dB: far below anything audible in a mix
}

// A stop part-way, a write that fails, a folder that can't be: nothing of the render is left,
// a folder it made is gone, and an existing folder keeps its other files and its old stems.
TEST_F(RenderTest, AStoppedOrFailedStemRenderLeavesNothingBehind) {
    const Bytes piece = twoBars(120);
    std::atomic<bool> stop{false};
    RenderOptions options;
    options.stop = &stop;
    options.progress = [&stop](double) { stop = true; };
    const StemsResult stopped = renderMidiToStems(piece, dir_.file("new"), options);
    EXPECT_TRUE(stopped.render.stopped);
    EXPECT_TRUE(stopped.files.empty());

    std::filesystem::create_directory(dir_.file("old"));
    writeAll(dir_.file("old/notes.txt"), {'n'});
    writeAll(dir_.file("old/01-Acoustic-Grand-Piano.wav"), {'o', 'l', 'd'});
    withFileSizeLimit(10000, [&] {
        for (const char* folder : {"old", "fresh"}) {
            const StemsResult cut = renderMidiToStems(piece, dir_.file(folder));
            EXPECT_EQ(cut.render.result, resultCantWrite);
            EXPECT_EQ(cut.render.file.systemError, EFBIG);
            EXPECT_TRUE(cut.failedPath.starts_with(dir_.file(folder) + "/0")) << cut.failedPath;
        }
    });
    EXPECT_EQ(readAll(dir_.file("old/01-Acoustic-Grand-Piano.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir_.entries(), Texts{"old"});
    Texts inOld;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.file("old")))
        inOld.push_back(entry.path().filename().string());
    std::sort(inOld.begin(), inOld.end());
    EXPECT_EQ(inOld, (Texts{"01-Acoustic-Grand-Piano.wav", "notes.txt"}));

    const StemsResult notFolder = renderMidiToStems(piece, dir_.file("old/notes.txt"));
    EXPECT_EQ(notFolder.render.file.reason(), dir_.file("old/notes.txt") + " is not a folder");
    const StemsResult noParent = renderMidiToStems(piece, dir_.file("none/stems"));
    EXPECT_EQ(noParent.render.file.reason(), "Folder " + dir_.file("none") + " does not exist");
    EXPECT_EQ(dir_.entries(), Texts{"old"});
}

}  // namespace
}  // namespace halcyone
