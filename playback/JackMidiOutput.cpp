#include "playback/JackMidiOutput.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "files/MidiStatus.h"

namespace halcyone {

namespace {

// The silence goes out in the next period; a server that has not run one by then has stalled.
constexpr auto silenceTimeout = std::chrono::seconds(1);
constexpr auto silencePoll = std::chrono::milliseconds(1);

// The ports the last client closed was connected to.
std::mutex carriedMutex;
std::vector<std::string> carriedConnections;

}  // namespace

std::unique_ptr<JackMidiOutput> JackMidiOutput::open(const JackLibrary& jack,
                                                     const std::string& server) {
    jack_client_t* client = openJackClient(jack, jackClientName, server);
    if (!client) return nullptr;
    std::unique_ptr<JackMidiOutput> output(new JackMidiOutput(jack, client));
    output->port_ =
        jack.portRegister(client, jackMidiPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!output->port_ || jack.setProcessCallback(client, process, output.get()) != 0)
        return nullptr;
    jack.onShutdown(client, shutdown, output.get());
    if (jack.activate(client) != 0) return nullptr;
    output->active_ = true;
    std::lock_guard lock(carriedMutex);
    for (const std::string& destination : carriedConnections) output->connect(destination);
    return output;
}

JackMidiOutput::JackMidiOutput(const JackLibrary& jack, jack_client_t* client)
    : jack_(jack), client_(client) {}

JackMidiOutput::~JackMidiOutput() {
    stop();
    if (active_ && !serverGone_) {
        std::lock_guard lock(carriedMutex);
        carriedConnections = connections();
    }
    jack_.clientClose(client_);  // deactivates first: the process thread is done with us
}

std::vector<std::string> JackMidiOutput::connections() const {
    std::vector<std::string> names;
    const char** ports = jack_.portConnections(port_);
    if (!ports) return names;
    for (const char** port = ports; *port; ++port) names.emplace_back(*port);
    jack_.free(ports);
    return names;
}

bool JackMidiOutput::connect(const std::string& destination) {
    if (serverGone_) return false;
    const int result = jack_.connect(client_, jack_.portName(port_), destination.c_str());
    return result == 0 || result == EEXIST;
}

bool JackMidiOutput::play(std::span<const TimedMidiMessage> messages) {
    stop();
    if (serverGone_) return false;
    if (!active_) {
        if (jack_.activate(client_) != 0) return false;
        active_ = true;
    }
    const double rate = jack_.sampleRate(client_);
    messages_.clear();
    messages_.reserve(messages.size());
    for (const TimedMidiMessage& m : messages) {
        const auto frame =
            static_cast<std::uint64_t>(std::llround(std::max(0.0, m.seconds) * rate));
        messages_.push_back({frame, m.bytes, m.size});
    }
    channels_ = channelsUsed(messages);
    needsSilence_ = true;
    state_.store(State::Starting, std::memory_order_release);
    return true;
}

void JackMidiOutput::stop() {
    if (!needsSilence_) return;
    needsSilence_ = false;
    state_.store(State::Silencing, std::memory_order_release);
    const auto giveUp = std::chrono::steady_clock::now() + silenceTimeout;
    while (state_.load(std::memory_order_acquire) != State::Idle) {
        if (serverGone_ || std::chrono::steady_clock::now() > giveUp) {
            // The process thread is done with us once the client is inactive.
            if (active_) jack_.deactivate(client_);
            active_ = false;
            state_.store(State::Idle);
            return;
        }
        std::this_thread::sleep_for(silencePoll);
    }
}

bool JackMidiOutput::isPlaying() const {
    const State state = state_.load(std::memory_order_acquire);
    return !serverGone_ && (state == State::Starting || state == State::Playing);
}

int JackMidiOutput::process(jack_nframes_t frames, void* self) {
    auto* output = static_cast<JackMidiOutput*>(self);
    void* buffer = output->jack_.portBuffer(output->port_, frames);
    output->jack_.midiClearBuffer(buffer);
    State state = output->state_.load(std::memory_order_acquire);
    if (state == State::Starting &&
        output->state_.compare_exchange_strong(state, State::Playing, std::memory_order_acq_rel)) {
        output->startFrame_ = output->jack_.lastFrameTime(output->client_);
        output->next_ = 0;
        state = State::Playing;
    }
    if (state == State::Playing) output->playDue(buffer, frames);
    if (state == State::Silencing) {
        output->writeSilence(buffer);
        output->state_.compare_exchange_strong(state, State::Idle, std::memory_order_acq_rel);
    }
    return 0;
}

// Writes the messages whose frame falls before the end of this period; a late one (after an
// xrun) goes at the period's start. Those that don't fit in the buffer wait for the next.
void JackMidiOutput::playDue(void* buffer, jack_nframes_t frames) {
    // Frame times wrap after 2^32 frames (a day at 48 kHz); so does this difference.
    const std::uint64_t now =
        static_cast<jack_nframes_t>(jack_.lastFrameTime(client_) - startFrame_);
    const std::uint64_t end = now + frames;
    for (; next_ < messages_.size() && messages_[next_].frame < end; ++next_) {
        const Message& m = messages_[next_];
        const auto offset = static_cast<jack_nframes_t>(m.frame > now ? m.frame - now : 0);
        if (jack_.midiEventWrite(buffer, offset, m.bytes.data(), m.size) != 0) return;
    }
    if (next_ == messages_.size()) {
        State playing = State::Playing;
        state_.compare_exchange_strong(playing, State::Finished, std::memory_order_acq_rel);
    }
}

void JackMidiOutput::writeSilence(void* buffer) {
    for (int channel = 0; channel < midi::channels; ++channel) {
        if ((channels_ & (1u << channel)) == 0) continue;
        const auto status = static_cast<jack_midi_data_t>(midi::controlChange | channel);
        for (const jack_midi_data_t control : {midi::allNotesOff, midi::allSoundOff}) {
            const jack_midi_data_t message[] = {status, control, 0};
            jack_.midiEventWrite(buffer, 0, message, sizeof message);
        }
    }
}

void JackMidiOutput::shutdown(void* self) {
    static_cast<JackMidiOutput*>(self)->serverGone_.store(true);
}

}  // namespace halcyone
