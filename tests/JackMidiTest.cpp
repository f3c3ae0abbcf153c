// The JACK MIDI port and the synthesizer on JACK, against a real JACK server of the test's own
// (jackd with the dummy backend: no sound card) and a MIDI client of the test's own that
// records what arrives and at which frame. The file that is played is read back by midicsv,
// not by our code. Also the tempo map the port times a file by, and what happens where no
// server runs or JACK is not installed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <fcntl.h>
#include <jack/midiport.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FilesTestSupport.h"
#include "files/MidiBytes.h"
#include "playback/FluidMusicService.h"
#include "playback/MidiTimeline.h"
#include "playback/OutputPorts.h"
#include "playback/Playback.h"

extern char** environ;

namespace halcyone {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::Bytes;
using testing::Texts;
using Clock = std::chrono::steady_clock;
using Message = std::vector<int>;  // a MIDI message's bytes, status first

constexpr int sampleRate = 48000;
constexpr int periodFrames = 256;
constexpr auto serverStartTimeout = 10s;
constexpr auto receiveTimeout = 20s;
constexpr const char* jackPortEntry = "JACK MIDI (halcyone:midi_out)";

// Polls `done` until it holds or `timeout` has passed; whether it held.
bool waitFor(const std::function<bool()>& done, Clock::duration timeout) {
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null").c_str()) == 0;
}

jack_client_t* openClient(const char* name, const std::string& server) {
    jack_status_t status{};
    return jack_client_open(name, static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                            &status, server.c_str());
}

// jackd with the dummy backend at 48 kHz, 256 frames a period, under a name of its own; killed
// at the end.
class JackServer {
public:
    JackServer(const std::string& logPath)
        : name_("halcyone-test-" + std::to_string(::getpid())), log_(logPath) {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
        const std::string rate = std::to_string(sampleRate), period = std::to_string(periodFrames);
        std::vector<std::string> args{"jackd", "--no-realtime", "-n", name_, "-d", "dummy",
                                      "-r", rate, "-p", period};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "jackd", &files, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    // Stops the server and removes the semaphores it may leave in /dev/shm.
    ~JackServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        if (!waitFor([this] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; }, 5s)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        const std::string prefix = "jack_sem." + std::to_string(::getuid()) + "_" + name_ + "_";
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error))
            if (entry.path().filename().string().starts_with(prefix))
                std::filesystem::remove(entry.path(), error);
    }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // Whether it accepts clients within serverStartTimeout; its log otherwise.
    ::testing::AssertionResult ready() {
        jack_set_error_function([](const char*) {});  // "not running" until it is
        if (pid_ <= 0) return ::testing::AssertionFailure() << "jackd could not be started";
        bool accepted = false;
        waitFor(
            [this, &accepted] {
                jack_client_t* probe = openClient("ready", name_);
                if (probe) jack_client_close(probe);
                accepted = probe != nullptr;
                return accepted || ::waitpid(pid_, nullptr, WNOHANG) == pid_;
            },
            serverStartTimeout);
        if (accepted) return ::testing::AssertionSuccess();
        std::ifstream in(log_);
        return ::testing::AssertionFailure()
               << "jackd -n " << name_ << " does not accept clients:\n" << in.rdbuf();
    }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::string log_;
    pid_t pid_ = -1;
};

// A client "receiver" with one MIDI input that records every message and the frame it came
// at. The process thread writes into room set aside beforehand and publishes a count.
class MidiReceiver {
public:
    static constexpr const char* input = "receiver:in";

    explicit MidiReceiver(const std::string& server) : client_(openClient("receiver", server)) {
        if (!client_) return;
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, process, this);
        active_ = port_ && jack_activate(client_) == 0;
    }
    ~MidiReceiver() {
        if (client_) jack_client_close(client_);
    }
    MidiReceiver(const MidiReceiver&) = delete;
    MidiReceiver& operator=(const MidiReceiver&) = delete;

    bool active() const { return active_; }
    jack_client_t* client() const { return client_; }

    struct Received {
        std::uint32_t frame;
        Message bytes;
    };
    std::vector<Received> received() const {
        std::vector<Received> out;
        const std::size_t count = count_.load(std::memory_order_acquire);
        for (std::size_t k = 0; k < count; ++k) {
            const Raw& r = raw_[k];
            out.push_back({r.frame, Message(r.bytes.begin(), r.bytes.begin() + r.size)});
        }
        return out;
    }
    std::size_t count() const { return count_.load(std::memory_order_acquire); }

    // The client's ports whose names match `pattern` (a regular expression) and `type`.
    Texts ports(const char* pattern, const char* type = nullptr, unsigned long flags = 0) const {
        Texts names;
        const char** found = jack_get_ports(client_, pattern, type, flags);
        for (const char** p = found; p && *p; ++p) names.emplace_back(*p);
        jack_free(found);
        return names;
    }

private:
    struct Raw {
        std::uint32_t frame = 0;
        std::uint8_t size = 0;
        std::array<std::uint8_t, 3> bytes{};
    };

    static int process(jack_nframes_t frames, void* self) {
        auto* r = static_cast<MidiReceiver*>(self);
        void* buffer = jack_port_get_buffer(r->port_, frames);
        const jack_nframes_t start = jack_last_frame_time(r->client_);
        std::size_t count = r->count_.load(std::memory_order_relaxed);
        const std::uint32_t events = jack_midi_get_event_count(buffer);
        for (std::uint32_t k = 0; k < events && count < r->raw_.size(); ++k) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, k) != 0) continue;
            Raw& raw = r->raw_[count++];
            raw.frame = start + event.time;
            raw.size = static_cast<std::uint8_t>(std::min<std::size_t>(event.size, 3));
            std::copy_n(event.buffer, raw.size, raw.bytes.begin());
        }
        r->count_.store(count, std::memory_order_release);
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    bool active_ = false;
    std::vector<Raw> raw_ = std::vector<Raw>(200000);
    std::atomic<std::size_t> count_{0};
};

// A channel message of the file as midicsv reads it: its tick and bytes.
struct FileMessage {
    long tick;
    Message bytes;
};

struct MidiCsv {
    std::vector<FileMessage> messages;
    Texts tempos;  // microseconds per quarter note, one entry per tempo event
    std::set<int> channels;
};

MidiCsv readWithMidicsv(const std::string& path) {
    MidiCsv csv;
    std::istringstream lines(testing::commandOutput("midicsv '" + path + "'"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; std::getline(fields, field, ',');)
            f.push_back(field.substr(field.find_first_not_of(' ')));
        if (f.size() < 3) continue;
        const long tick = std::stol(f[1]);
        const auto number = [&f](std::size_t k) { return std::stoi(f.at(k)); };
        const auto message = [&](int kind, std::initializer_list<int> data) {
            Message bytes{kind | number(3)};
            bytes.insert(bytes.end(), data);
            csv.messages.push_back({tick, bytes});
            csv.channels.insert(number(3));
        };
        const std::string& type = f[2];
        if (type == "Tempo") csv.tempos.push_back(f[3]);
        if (type == "Note_on_c") message(0x90, {number(4), number(5)});
        if (type == "Note_off_c") message(0x80, {number(4), number(5)});
        if (type == "Poly_aftertouch_c") message(0xA0, {number(4), number(5)});
        if (type == "Control_c") message(0xB0, {number(4), number(5)});
        if (type == "Program_c") message(0xC0, {number(4)});
        if (type == "Channel_aftertouch_c") message(0xD0, {number(4)});
        if (type == "Pitch_bend_c") message(0xE0, {number(4) & 0x7F, number(4) >> 7});
    }
    return csv;
}

// All Notes Off and All Sound Off on each of `channels`.
std::vector<Message> silenceOf(const std::set<int>& channels) {
    std::vector<Message> silence;
    for (const int c : channels) {
        silence.push_back({0xB0 | c, 123, 0});
        silence.push_back({0xB0 | c, 120, 0});
    }
    return silence;
}

// A piece by the program's own writer: three channels with notes of several lengths and
// velocities, modulation, pan, expression, pitch wheel and key pressure.
Bytes composedPiece(int bars, int tempo) {
    std::vector<NoteEvent> lead, bass, bells;
    for (int bar = 0; bar < bars; ++bar) {
        for (int step = 0; step < 64; step += 8)
            lead.push_back({60 + step / 4, 8, step, bar, 60 + step, step % 16 ? 0 : 20, 0, 40, 0, 0});
        bass.push_back({36 + bar % 12, 32, 0, bar, 100, 0, 70, 0, 90, 0});
        bass.push_back({43, 16, 40, bar, 80, 0, 0, 0, 0, 0});
        bells.push_back({84, 4, 12 + bar % 4, bar, 127, 0, 0, 100, 0, 55});
    }
    for (auto* list : {&lead, &bass, &bells}) list->push_back(NoteEvent{});
    MidiTracks tracks{};
    tracks[0] = {1, lead};
    tracks[2] = {33, bass};
    tracks[4] = {15, bells};
    return midiFileBytes(tracks, bars, tempo);
}

FluidServiceOptions jackOptions(const std::string& server) {
    FluidServiceOptions options;
    options.jackServer = server;
    options.listAlsaPorts = false;
    return options;
}

MusicServiceFactory factoryFor(FluidServiceOptions options) {
    return [options] { return makeFluidMusicService(options); };
}

TEST(MidiTimeline, FollowsTheTempoMapAcrossTracksKeepingTheTracksOrderAtATick) {
    // Format 1, division 96: the tempo track halves the beat at tick 192; notes in two tracks,
    // the second's by running status.
    const Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 3, 0, 96,
                     'M', 'T', 'r', 'k', 0, 0, 0, 15,
                     0x00, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20,  // 500000 us a quarter
                     0x81, 0x40, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90,  // 250000 from tick 192
                     'M', 'T', 'r', 'k', 0, 0, 0, 14,
                     0x00, 0xC1, 5,                 // program at 0
                     0x60, 0x91, 60, 100,           // tick 96: 0.5 s
                     0x60, 61, 0,                   // tick 192: 1.0 s
                     0x60, 0xFF, 0x2F, 0x00,
                     'M', 'T', 'r', 'k', 0, 0, 0, 10,
                     0x81, 0x40, 0xE2, 0x00, 0x40,  // tick 192, after the second track's
                     0x81, 0x40, 0xA2, 64, 9};      // tick 384: 1.0 + 192 * 250000 / 96 us
    const auto timed = timedChannelMessages(file);
    ASSERT_TRUE(timed.has_value());
    const auto at = [](double s, std::array<std::uint8_t, 3> b, std::uint8_t n) {
        return TimedMidiMessage{s, b, n};
    };
    EXPECT_THAT(*timed, ElementsAre(at(0.0, {0xC1, 5, 0}, 2), at(0.5, {0x91, 60, 100}, 3),
                                    at(1.0, {0x91, 61, 0}, 3), at(1.0, {0xE2, 0x00, 0x40}, 3),
                                    at(1.5, {0xA2, 64, 9}, 3)));
    EXPECT_EQ(channelsUsed(*timed), 0b110);
    EXPECT_FALSE(timedChannelMessages(Bytes(file.begin(), file.end() - 1)).has_value());
}

// No server: no entry and no wait, and none started even where JACK is asked to start one
// (JACK_START_SERVER); the same without JACK's library. The listing's times are printed for
// the record; the bound is only against a hang or a server being started.
TEST(JackMidiPort, NoServerOrNoLibraryMeansNoEntryAndNoWait) {
    const testing::ScopedEnv startServer("JACK_START_SERVER", "1");
    FluidServiceOptions noServer = jackOptions("halcyone-test-none-" + std::to_string(::getpid()));
    FluidServiceOptions noLibrary = jackOptions("");
    noLibrary.jackLibrary = "libjack-not-installed.so.0";
    for (const auto& [what, options] : {std::pair{"no server", noServer}, {"no library", noLibrary}}) {
        const auto start = Clock::now();
        const std::vector<OutputPort> ports = outputPorts(factoryFor(options));
        const auto took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::cout << "listing the ports with " << what << ": " << took << " ms\n";
        ASSERT_EQ(ports.size(), 1u) << what;
        EXPECT_EQ(ports[0].name, "Built-in synthesizer (FluidSynth)");
        EXPECT_LT(took, 1000) << what;
    }
    ASSERT_TRUE(loadJackLibrary().has_value()) << "libjack.so.0 comes with FluidSynth";
    EXPECT_FALSE(jackServerRunning(*loadJackLibrary(), noServer.jackServer));
}

class JackServerTest : public testing::CommandTest {
protected:
    void SetUp() override {
        if (!onPath("jackd")) GTEST_SKIP() << "jackd is not installed (Debian package jackd2)";
        server_ = std::make_unique<JackServer>(dir.file("jackd.log"));
        ASSERT_TRUE(server_->ready());
        receiver_ = std::make_unique<MidiReceiver>(server_->name());
        ASSERT_TRUE(receiver_->active());
    }
    void TearDown() override {
        resetPlayback();
        receiver_.reset();
        server_.reset();
    }

    FluidServiceOptions options() const { return jackOptions(server_->name()); }
    Texts ourPorts() const { return receiver_->ports("^halcyone:"); }

    // Writes a piece and reads it back with midicsv.
    MidiCsv writePiece(const std::string& path, int bars, int tempo) {
        testing::writeAll(path, composedPiece(bars, tempo));
        MidiCsv csv = readWithMidicsv(path);
        EXPECT_EQ(csv.tempos, Texts{std::to_string(60'000'000 / tempo)});
        return csv;
    }
    // Waits until `count` messages have been received.
    bool receive(std::size_t count) const {
        return waitFor([&] { return receiver_->count() >= count; }, receiveTimeout);
    }

    std::unique_ptr<JackServer> server_;
    std::unique_ptr<MidiReceiver> receiver_;
};

// "Midi device" lists the JACK MIDI port second, after the synthesizer (still the default),
// as the tool does; looking for the server leaves no client behind, and the start-up Player's
// synthesizer opens no audio output.
TEST_F(JackServerTest, IsListedAfterTheSynthesizerWhileTheServerRuns) {
    FluidServiceOptions withAlsa = options();
    withAlsa.listAlsaPorts = true;
    playbackState.serviceFactory = factoryFor(withAlsa);
    ASSERT_EQ(createStartupPlayer(), resultOk);
    listMidiDevices();
    const auto& list = panel.control(ControlId::MidiDevice);
    ASSERT_GE(list.items.size(), 2u);
    EXPECT_EQ(list.items[0], "Built-in synthesizer (FluidSynth)");
    EXPECT_EQ(list.items[1], jackPortEntry);
    EXPECT_EQ(list.itemData[1], 1);
    EXPECT_EQ(list.selection, 0);
    EXPECT_EQ(ourPorts(), Texts{});
}

// Every channel message of the file arrives, in the file's order, each in the period and at
// the frame its tick falls on at the file's tempo; Stop then silences every channel the piece
// uses; the client closes with its service.
TEST_F(JackServerTest, PlaysEveryMessageAtTheFrameItsTimeFallsOnAndStopSilencesEveryChannel) {
    const MidiCsv piece = writePiece(dir.file("piece.mid"), 2, 150);
    ASSERT_GT(piece.messages.size(), 100u);
    auto jack = makeFluidMusicService(options());
    PortDescription port;
    ASSERT_EQ(jack->enumeratePort(1, port), resultOk);
    EXPECT_EQ(port.description, jackPortEntry);
    ASSERT_EQ(jack->openPort(port.id), resultOk);
    EXPECT_EQ(ourPorts(), Texts{"halcyone:midi_out"});
    EXPECT_EQ(jack->connectPort("receiver:nothing"), resultCantConnect);
    ASSERT_EQ(jack->connectPort(MidiReceiver::input), resultOk);
    ASSERT_EQ(jack->loadMidiFile(dir.file("piece.mid")), resultOk);
    ASSERT_EQ(jack->playFromStart(), resultOk);
    EXPECT_TRUE(jack->isPlaying());
    ASSERT_TRUE(receive(piece.messages.size()));
    EXPECT_TRUE(waitFor([&] { return !jack->isPlaying(); }, 1s));

    const auto received = receiver_->received();
    ASSERT_EQ(received.size(), piece.messages.size());
    // Each within a period of its time, as a late process cycle may leave it; unless the
    // machine stalls, to the frame (one either way for rounding).
    const double secondsPerTick = 60.0 / 150 / 192;
    long worst = 0;
    std::size_t toTheFrame = 0;
    for (std::size_t k = 0; k < received.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "message " << k << " at tick " << piece.messages[k].tick);
        EXPECT_EQ(received[k].bytes, piece.messages[k].bytes);
        const long expected = std::lround(piece.messages[k].tick * secondsPerTick * sampleRate);
        const long off = std::abs(long(received[k].frame - received[0].frame) - expected);
        EXPECT_LE(off, periodFrames);
        worst = std::max(worst, off);
        toTheFrame += off <= 1 ? 1 : 0;
    }
    EXPECT_GE(toTheFrame * 10, received.size() * 9);
    std::cout << received.size() << " messages, " << toTheFrame << " to the frame, at most " << worst
              << " frames from their time at 48 kHz\n";

    jack->stopAll();
    ASSERT_TRUE(receive(piece.messages.size() + 2 * piece.channels.size()));
    const auto all = receiver_->received();
    std::vector<Message> afterStop;
    for (std::size_t k = piece.messages.size(); k < all.size(); ++k) afterStop.push_back(all[k].bytes);
    EXPECT_EQ(afterStop, silenceOf(piece.channels));

    EXPECT_EQ(jack->connectPort(MidiReceiver::input), resultOk) << "connecting again is no fault";
    jack.reset();
    EXPECT_EQ(ourPorts(), Texts{});
    EXPECT_EQ(receiver_->count(), all.size()) << "nothing after the silence";
}

// The window's Play and Stop on the JACK MIDI port: Stop in the middle silences every channel of
// the piece at once; the next Play replaces the client by a new one that the user's connection
// carries over to, so the piece arrives from its first message; the end closes it.
TEST_F(JackServerTest, WindowStopSilencesAndTheNextPlayKeepsTheUsersConnection) {
    const MidiCsv piece = writePiece(dir.file("long.mid"), 8, 60);
    playbackState.serviceFactory = factoryFor(options());
    ASSERT_EQ(createStartupPlayer(), resultOk);
    listMidiDevices();
    sendToControl(ControlId::MidiDevice, ControlMessage::SetSelection, 1);
    ASSERT_EQ(startPlayback(dir.file("long.mid")), resultOk);
    // Already connected when an earlier test in this process connected to the same name.
    const int connected = jack_connect(receiver_->client(), "halcyone:midi_out", MidiReceiver::input);
    ASSERT_TRUE(connected == 0 || connected == EEXIST) << connected;
    const auto noteOnArrived = [this] {
        for (const auto& r : receiver_->received())
            if ((r.bytes[0] & 0xF0) == 0x90 && r.bytes[2] > 0) return true;
        return false;
    };
    ASSERT_TRUE(waitFor(noteOnArrived, receiveTimeout));

    stopPlayback();
    EXPECT_EQ(playbackState.playState, PlayState::Stopped);
    const std::size_t stoppedAt = receiver_->count();
    std::this_thread::sleep_for(100ms);
    const auto afterStop = receiver_->received();
    ASSERT_GE(afterStop.size(), std::max(stoppedAt, 2 * piece.channels.size()));
    std::vector<Message> tail;
    for (std::size_t k = afterStop.size() - 2 * piece.channels.size(); k < afterStop.size(); ++k)
        tail.push_back(afterStop[k].bytes);
    EXPECT_EQ(tail, silenceOf(piece.channels)) << "the silence comes last, and nothing after it";

    const std::size_t before = receiver_->count();
    ASSERT_EQ(startPlayback(dir.file("long.mid")), resultOk);
    EXPECT_EQ(ourPorts(), Texts{"halcyone:midi_out"});
    ASSERT_TRUE(receive(before + 3));
    const auto replayed = receiver_->received();
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(replayed[before + k].bytes, piece.messages[k].bytes) << k;

    resetPlayback();  // as the window does at its end
    EXPECT_EQ(ourPorts(), Texts{});
}

// The built-in synthesizer plays into JACK, connected to the system's playback ports, once Play
// needs it, and not before.
TEST_F(JackServerTest, SynthesizerSoundsThroughJackOncePlayed) {
    if (findSoundFont(standardSoundFontPaths()).empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    testing::writeAll(dir.file("piece.mid"), composedPiece(1, 120));
    auto synth = makeFluidMusicService(options());
    ASSERT_EQ(synth->openPort(PortId{portKindSynth, 0, 0}), resultOk);
    EXPECT_EQ(ourPorts(), Texts{});
    EXPECT_EQ(synth->connectPort(MidiReceiver::input), resultNotConnectable);
    ASSERT_EQ(synth->loadMidiFile(dir.file("piece.mid")), resultOk);
    ASSERT_EQ(synth->playFromStart(), resultOk);
    const Texts audio = receiver_->ports("^halcyone:", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    ASSERT_EQ(audio.size(), 2u);
    for (std::size_t k = 0; k < audio.size(); ++k) {
        jack_port_t* port = jack_port_by_name(receiver_->client(), audio[k].c_str());
        const std::string playback = "system:playback_" + std::to_string(k + 1);
        EXPECT_TRUE(port && jack_port_connected_to(port, playback.c_str())) << audio[k];
    }
    synth.reset();
    EXPECT_EQ(ourPorts(), Texts{});
}

}  // namespace
}  // namespace halcyone
