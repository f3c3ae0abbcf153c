// The JACK MIDI port: a JACK client with one MIDI output port that plays a timed list of
// channel messages, each in the period and at the frame its time falls on. Connections are
// the user's, made in their patchbay, or asked for with connect. Every Play opens a client of
// its own, so the connections of the last one closed in this process are made again on the
// next one opened: what the user connected stays connected from one Play to the next.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "playback/JackLibrary.h"
#include "playback/MidiTimeline.h"

namespace halcyone {

inline constexpr const char* jackClientName = "halcyone";
inline constexpr const char* jackMidiPortName = "midi_out";

// Called from one thread; plays on JACK's process thread, which it never blocks.
class JackMidiOutput {
public:
    // The client, active, with its port, on the server named `server` (empty: JACK's default);
    // nullptr when no server runs (none is started) or it refuses the client or the port.
    static std::unique_ptr<JackMidiOutput> open(const JackLibrary& jack, const std::string& server);
    // Silences what was played, then closes the client.
    ~JackMidiOutput();
    JackMidiOutput(const JackMidiOutput&) = delete;
    JackMidiOutput& operator=(const JackMidiOutput&) = delete;

    // Connects the port to the input port `destination` ("client:port"); true when connected,
    // also when it already was.
    bool connect(const std::string& destination);

    // Stops what plays, then plays `messages` (in time order) from the next period on. False
    // when the server has gone.
    bool play(std::span<const TimedMidiMessage> messages);
    // All Notes Off and All Sound Off on every channel of the piece last played, sent in the
    // next period; returns once they are sent (or the server stopped answering). Nothing
    // when nothing was played since the last stop.
    void stop();
    // Between play and the period that sent the last message, unless stopped.
    bool isPlaying() const;

private:
    enum class State : int { Idle, Starting, Playing, Finished, Silencing };

    struct Message {
        std::uint64_t frame = 0;  // from the start of the piece
        std::array<std::uint8_t, 3> bytes{};
        std::uint8_t size = 0;
    };

    JackMidiOutput(const JackLibrary& jack, jack_client_t* client);

    std::vector<std::string> connections() const;
    static int process(jack_nframes_t frames, void* self);
    static void shutdown(void* self);
    void playDue(void* buffer, jack_nframes_t frames);
    void writeSilence(void* buffer);

    JackLibrary jack_;
    jack_client_t* client_;
    jack_port_t* port_ = nullptr;
    bool active_ = false;
    bool needsSilence_ = false;
    // The process thread reads these only in Starting, Playing and Silencing, states this
    // thread enters after writing them and leaves only once the process thread has let go.
    std::vector<Message> messages_;
    std::uint16_t channels_ = 0;
    std::atomic<State> state_{State::Idle};
    std::atomic<bool> serverGone_{false};
    // The process thread's own.
    jack_nframes_t startFrame_ = 0;
    std::size_t next_ = 0;
};

}  // namespace halcyone
