// A client of the ALSA sequencer: lists the other clients' ports and sends MIDI messages to
// one of them at once (the caller does the timing).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct _snd_seq;
struct snd_midi_event;

namespace halcyone {

struct AlsaPort {
    int client = 0;
    int port = 0;
    std::string name;  // "client name: port name"
    bool writable = false;  // others can send to it: an output for us
    bool readable = false;  // others can receive from it
    bool softwareSynth = false;
};

// Owns its sequencer client and MIDI encoder; destroying it disconnects the output and
// closes the client. Not thread-safe: one thread at a time may call it. FluidMusicService
// sends from FluidSynth's player thread while its own thread may silence or disconnect, so it
// holds one lock around those three calls.
class AlsaSequencer {
public:
    // A new client named "Halcyone", or nullptr when there is no sequencer (no /dev/snd/seq).
    static std::unique_ptr<AlsaSequencer> open();
    // Turns alsa-lib's error messages off for the whole process (they would go to the
    // terminal); failures reach the user through result codes instead. Any thread, any time.
    static void quietLibrary();
    ~AlsaSequencer();
    AlsaSequencer(const AlsaSequencer&) = delete;
    AlsaSequencer& operator=(const AlsaSequencer&) = delete;

    // Ports of other clients that can be subscribed to, in the sequencer's order of clients
    // and ports. The system client and ports hidden from routing are left out.
    std::vector<AlsaPort> listPorts() const;

    // Creates this client's output port and connects it to client:port, after disconnecting
    // an earlier one: one connection at a time.
    bool connectOutput(int client, int port);
    void disconnectOutput();

    // Sends one complete MIDI message (status byte first) to the connected port at once;
    // nothing without a connection.
    void send(std::span<const std::uint8_t> message);
    // All sound off and all notes off on all 16 channels.
    void silence();

private:
    struct SeqCloser {
        void operator()(_snd_seq* seq) const;
    };
    struct EncoderFreer {
        void operator()(snd_midi_event* encoder) const;
    };

    AlsaSequencer(_snd_seq* seq, snd_midi_event* encoder);

    std::unique_ptr<_snd_seq, SeqCloser> seq_;
    std::unique_ptr<snd_midi_event, EncoderFreer> encoder_;
    int ownClient_ = -1;
    int ownPort_ = -1;
    int destClient_ = -1;
    int destPort_ = -1;
};

}  // namespace halcyone
