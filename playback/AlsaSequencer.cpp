#include "playback/AlsaSequencer.h"

#include <alsa/asoundlib.h>

#include <array>
#include <mutex>

#include "files/MidiStatus.h"

namespace halcyone {

namespace {

constexpr const char* clientName = "Halcyone";
constexpr const char* outputPortName = "Halcyone playback";
constexpr std::size_t encoderBufferBytes = 256;

constexpr unsigned int writeCaps = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
constexpr unsigned int readCaps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned int synthTypes = SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_SYNTHESIZER;

void quietAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void AlsaSequencer::quietLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(quietAlsaError); });
}

void AlsaSequencer::SeqCloser::operator()(_snd_seq* seq) const { snd_seq_close(seq); }

void AlsaSequencer::EncoderFreer::operator()(snd_midi_event* encoder) const {
    snd_midi_event_free(encoder);
}

AlsaSequencer::AlsaSequencer(_snd_seq* seq, snd_midi_event* encoder)
    : seq_(seq), encoder_(encoder), ownClient_(snd_seq_client_id(seq)) {}

AlsaSequencer::~AlsaSequencer() { disconnectOutput(); }

std::unique_ptr<AlsaSequencer> AlsaSequencer::open() {
    quietLibrary();
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return nullptr;
    std::unique_ptr<_snd_seq, SeqCloser> owned(seq);
    snd_midi_event_t* encoder = nullptr;
    if (snd_midi_event_new(encoderBufferBytes, &encoder) < 0) return nullptr;
    snd_seq_set_client_name(seq, clientName);
    return std::unique_ptr<AlsaSequencer>(new AlsaSequencer(owned.release(), encoder));
}

std::vector<AlsaPort> AlsaSequencer::listPorts() const {
    std::vector<AlsaPort> ports;
    snd_seq_client_info_t* clientInfo = nullptr;
    snd_seq_port_info_t* portInfo = nullptr;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(seq_.get(), clientInfo) >= 0) {
        const int client = snd_seq_client_info_get_client(clientInfo);
        if (client == SND_SEQ_CLIENT_SYSTEM || client == ownClient_) continue;
        snd_seq_port_info_set_client(portInfo, client);
        snd_seq_port_info_set_port(portInfo, -1);
        while (snd_seq_query_next_port(seq_.get(), portInfo) >= 0) {
            const unsigned int caps = snd_seq_port_info_get_capability(portInfo);
            const unsigned int type = snd_seq_port_info_get_type(portInfo);
            AlsaPort port;
            port.client = client;
            port.port = snd_seq_port_info_get_port(portInfo);
            port.writable = (caps & writeCaps) == writeCaps;
            port.readable = (caps & readCaps) == readCaps;
            if ((caps & SND_SEQ_PORT_CAP_NO_EXPORT) != 0 || (!port.writable && !port.readable)) {
                continue;
            }
            port.softwareSynth =
                (type & SND_SEQ_PORT_TYPE_SOFTWARE) != 0 && (type & synthTypes) != 0;
            port.name = std::string(snd_seq_client_info_get_name(clientInfo)) + ": " +
                        snd_seq_port_info_get_name(portInfo);
            ports.push_back(std::move(port));
        }
    }
    return ports;
}

bool AlsaSequencer::connectOutput(int client, int port) {
    disconnectOutput();
    const int own = snd_seq_create_simple_port(
        seq_.get(), outputPortName, readCaps,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (own < 0) return false;
    if (snd_seq_connect_to(seq_.get(), own, client, port) < 0) {
        snd_seq_delete_simple_port(seq_.get(), own);
        return false;
    }
    ownPort_ = own;
    destClient_ = client;
    destPort_ = port;
    return true;
}

void AlsaSequencer::disconnectOutput() {
    if (ownPort_ < 0) return;
    snd_seq_disconnect_to(seq_.get(), ownPort_, destClient_, destPort_);
    snd_seq_delete_simple_port(seq_.get(), ownPort_);
    ownPort_ = destClient_ = destPort_ = -1;
}

void AlsaSequencer::send(std::span<const std::uint8_t> message) {
    if (ownPort_ < 0 || message.empty()) return;
    snd_midi_event_reset_encode(encoder_.get());
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    const long used = snd_midi_event_encode(encoder_.get(), message.data(),
                                            static_cast<long>(message.size()), &event);
    if (used <= 0 || event.type == SND_SEQ_EVENT_NONE) return;
    snd_seq_ev_set_source(&event, ownPort_);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_event_output_direct(seq_.get(), &event);
}

void AlsaSequencer::silence() {
    for (int channel = 0; channel < midi::channels; ++channel) {
        const auto status = static_cast<std::uint8_t>(midi::controlChange | channel);
        const std::array<std::uint8_t, 3> soundOff{status, midi::allSoundOff, 0};
        const std::array<std::uint8_t, 3> notesOff{status, midi::allNotesOff, 0};
        send(soundOff);
        send(notesOff);
    }
}

}  // namespace halcyone
