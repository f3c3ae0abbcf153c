#include "playback/FluidMusicService.h"

#include <array>
#include <utility>

#include "files/MidiStatus.h"
#include "playback/MidiTimeline.h"

namespace halcyone {

namespace {

constexpr const char* synthDescription = "Built-in synthesizer (FluidSynth)";
constexpr const char* jackAudioDriver = "jack";
constexpr std::uint32_t synthAudioChannels = 2;
constexpr std::uint32_t channelGroups = 1;

using namespace midi;

}  // namespace

std::vector<std::string> standardAudioDrivers() {
    return {jackAudioDriver, "pipewire", "pulseaudio", "alsa"};
}

std::unique_ptr<FluidMusicService> FluidMusicService::create(FluidServiceOptions options) {
    AlsaSequencer::quietLibrary();  // the ALSA audio driver reports through alsa-lib too
    FluidSettings settings = makeFluidSettings();
    if (!settings) return nullptr;
    // A General MIDI font is large (FluidR3 has 140 MB of samples): loading only the
    // instruments a piece uses keeps Play and the start-up quick.
    fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
    FluidSynth synth(new_fluid_synth(settings.get()));
    if (!synth) return nullptr;
    return std::unique_ptr<FluidMusicService>(
        new FluidMusicService(std::move(options), std::move(settings), std::move(synth)));
}

FluidMusicService::FluidMusicService(FluidServiceOptions options, FluidSettings settings,
                                     FluidSynth synth)
    : options_(std::move(options)), settings_(std::move(settings)), synth_(std::move(synth)) {}

FluidMusicService::~FluidMusicService() {
    closePort();
    players_.clear();
    jackOutput_.reset();
    alsa_.reset();
    synth_.reset();
    settings_.reset();
}

int FluidMusicService::enumeratePort(int number, PortDescription& out) {
    if (number < 0) return resultFailed;
    if (number == 0 || !listed_) listPorts();
    if (number == 0) {
        out = describeSynth();
        return resultOk;
    }
    auto index = static_cast<std::size_t>(number - 1);
    if (jackListed_ && index-- == 0) {
        out = describeJack();
        return resultOk;
    }
    if (index >= alsaPorts_.size()) return resultNoSuchPort;
    const AlsaPort& port = alsaPorts_[index];
    out = PortDescription{};
    out.description = port.name;
    out.flags = portFlagExternal | (port.softwareSynth ? portFlagSoftwareSynth : 0);
    out.portClass = port.writable ? portClassOutput : portClassInput;
    out.type = portTypeExternal;
    out.maxChannelGroups = channelGroups;
    out.id = PortId{portKindAlsa, port.client, port.port};
    return resultOk;
}

void FluidMusicService::listPorts() {
    listed_ = true;
    jackListed_ = jackServerRuns();
    alsaPorts_.clear();
    if (!options_.listAlsaPorts) return;
    if (!alsa_) alsa_ = AlsaSequencer::open();
    if (alsa_) alsaPorts_ = alsa_->listPorts();
}

const JackLibrary* FluidMusicService::jackLibrary() {
    if (!jackLoaded_ && !options_.jackLibrary.empty())
        jack_ = loadJackLibrary(options_.jackLibrary);
    jackLoaded_ = true;
    return jack_ ? &*jack_ : nullptr;
}

bool FluidMusicService::jackServerRuns() {
    const JackLibrary* jack = jackLibrary();
    return jack && jackServerRunning(*jack, options_.jackServer);
}

PortDescription FluidMusicService::describeSynth() const {
    PortDescription description;
    description.description = synthDescription;
    description.flags = portFlagSoftwareSynth;
    description.portClass = portClassOutput;
    description.type = portTypeSoftwareSynth;
    description.maxAudioChannels = synthAudioChannels;
    description.maxVoices = static_cast<std::uint32_t>(fluid_synth_get_polyphony(synth_.get()));
    description.maxChannelGroups = channelGroups;
    description.id = PortId{portKindSynth, 0, 0};
    return description;
}

PortDescription FluidMusicService::describeJack() const {
    PortDescription description;
    description.description =
        std::string("JACK MIDI (") + jackClientName + ":" + jackMidiPortName + ")";
    description.flags = portFlagExternal;
    description.portClass = portClassOutput;
    description.type = portTypeExternal;
    description.maxChannelGroups = channelGroups;
    description.id = PortId{portKindJack, 0, 0};
    return description;
}

int FluidMusicService::openPort(const PortId& id) {
    if (open_ != OpenPort::None) return resultFailed;
    if (id.kind == portKindSynth) return openSynth();
    if (id.kind == portKindAlsa) return openAlsa(id.client, id.port);
    if (id.kind == portKindJack) return openJack();
    return resultPortUnavailable;
}

int FluidMusicService::openSynth() {
    soundFont_ = findSoundFont(options_.soundFonts);
    if (soundFont_.empty()) return resultNoSoundFont;
    open_ = OpenPort::Synth;
    return resultOk;
}

int FluidMusicService::startSynth() {
    if (audioDriver_) return resultOk;
    // The audio output first: without it loading the SoundFont would be wasted time.
    FluidAudioDriver driver = startAudio();
    if (!driver) return resultNoAudioOutput;
    // Only real SoundFonts reach the loader: other files would be tried as other formats.
    if (!fluid_is_soundfont(soundFont_.c_str()) ||
        fluid_synth_sfload(synth_.get(), soundFont_.c_str(), 1) == FLUID_FAILED) {
        return resultBadSoundFont;
    }
    audioDriver_ = std::move(driver);
    return resultOk;
}

FluidAudioDriver FluidMusicService::startAudio() {
    for (const std::string& name : options_.audioDrivers) {
        if (name == jackAudioDriver) {
            // FluidSynth's JACK client may start a server where none runs.
            if (!jackServerRuns()) continue;
            fluid_settings_setint(settings_.get(), "audio.jack.autoconnect", 1);
            fluid_settings_setstr(settings_.get(), "audio.jack.id", jackClientName);
            fluid_settings_setstr(settings_.get(), "audio.jack.server",
                                  options_.jackServer.c_str());
        }
        fluid_settings_setstr(settings_.get(), "audio.driver", name.c_str());
        FluidAudioDriver driver(new_fluid_audio_driver(settings_.get(), synth_.get()));
        if (driver) return driver;
    }
    return {};
}

int FluidMusicService::openAlsa(int client, int port) {
    if (!alsa_) alsa_ = AlsaSequencer::open();
    if (!alsa_ || !alsa_->connectOutput(client, port)) return resultPortUnavailable;
    open_ = OpenPort::Alsa;
    return resultOk;
}

int FluidMusicService::openJack() {
    if (const JackLibrary* jack = jackLibrary())
        jackOutput_ = JackMidiOutput::open(*jack, options_.jackServer);
    if (!jackOutput_) return resultPortUnavailable;
    open_ = OpenPort::Jack;
    return resultOk;
}

int FluidMusicService::connectPort(const std::string& destination) {
    if (open_ != OpenPort::Jack) return resultNotConnectable;
    return jackOutput_->connect(destination) ? resultOk : resultCantConnect;
}

void FluidMusicService::closePort() {
    if (open_ == OpenPort::None) return;
    stopAll();
    audioDriver_.reset();
    players_.clear();  // nothing renders their synthesizer any more
    if (open_ == OpenPort::Alsa) {
        std::lock_guard lock(alsaMutex_);
        alsa_->disconnectOutput();
    }
    jackOutput_.reset();
    open_ = OpenPort::None;
}

int FluidMusicService::loadMidiFile(const std::string& path) {
    unloadMidiFile();
    return readMidiFile(path, midiFile_, facts_);
}

void FluidMusicService::unloadMidiFile() {
    stopAll();
    midiFile_.clear();
    facts_ = MidiFileFacts{};
}

int FluidMusicService::playFromStart() {
    if (open_ == OpenPort::None) return resultNoPort;
    if (midiFile_.empty()) return resultNothingLoaded;
    stopAll();
    if (open_ == OpenPort::Jack) return playOnJack();
    if (open_ == OpenPort::Synth) {
        if (const int started = startSynth(); !succeeded(started)) return started;
        loadInstruments();
    }
    // The synthesizer's own rendering times the file exactly; an ALSA port has no rendering,
    // so the system clock drives the player there.
    fluid_settings_setstr(settings_.get(), "player.timing-source",
                          open_ == OpenPort::Alsa ? "system" : "sample");
    FluidPlayer created(new_fluid_player(synth_.get()));
    if (!created) return resultFailed;
    fluid_player_t* player = created.get();
    players_.push_back(std::move(created));
    if (open_ == OpenPort::Alsa) {
        fluid_player_set_playback_callback(player, forwardToAlsa, this);
        std::lock_guard lock(alsaMutex_);
        alsaMuted_ = false;
    }
    if (fluid_player_add_mem(player, midiFile_.data(), midiFile_.size()) != FLUID_OK ||
        fluid_player_play(player) != FLUID_OK) {
        return resultFailed;
    }
    return resultOk;
}

int FluidMusicService::playOnJack() {
    const auto messages = timedChannelMessages(midiFile_);
    if (!messages) return resultNotMidiFile;  // not after loadMidiFile's check
    return jackOutput_->play(*messages) ? resultOk : resultPortUnavailable;
}

// Chooses each channel's first program here, so that its samples are read now rather than
// on the audio thread when the player reaches the program change.
void FluidMusicService::loadInstruments() {
    for (int channel = 0; channel < midi::channels; ++channel) {
        const int program = facts_.firstProgram[static_cast<std::size_t>(channel)];
        if (program >= 0) fluid_synth_program_change(synth_.get(), channel, program);
    }
}

int FluidMusicService::stopAll() {
    if (!players_.empty()) {
        fluid_player_t* player = players_.back().get();
        fluid_player_stop(player);
        fluid_player_seek(player, 0);
    }
    if (open_ == OpenPort::Synth) fluid_synth_all_sounds_off(synth_.get(), -1);
    if (open_ == OpenPort::Alsa) {
        std::lock_guard lock(alsaMutex_);
        alsaMuted_ = true;
        alsa_->silence();
    }
    if (open_ == OpenPort::Jack) jackOutput_->stop();
    return resultOk;
}

// The player keeps playing while the last notes die away (without end, should a note never
// be released); the piece itself is over at its last tick.
bool FluidMusicService::isPlaying() const {
    if (open_ == OpenPort::Jack) return jackOutput_->isPlaying();
    if (players_.empty()) return false;
    fluid_player_t* player = players_.back().get();
    return fluid_player_get_status(player) == FLUID_PLAYER_PLAYING &&
           static_cast<std::uint32_t>(fluid_player_get_current_tick(player)) < facts_.lengthTicks;
}

std::size_t encodeChannelMessage(const fluid_midi_event_t* event, std::array<std::uint8_t, 3>& out) {
    const int type = fluid_midi_event_get_type(event);
    out[0] = static_cast<std::uint8_t>(type | (fluid_midi_event_get_channel(event) & 0x0F));
    switch (type) {
        case noteOff:
        case noteOn:
            out[1] = dataByte(fluid_midi_event_get_key(event));
            out[2] = dataByte(fluid_midi_event_get_velocity(event));
            return 3;
        case keyPressure:
            out[1] = dataByte(fluid_midi_event_get_key(event));
            out[2] = dataByte(fluid_midi_event_get_value(event));
            return 3;
        case controlChange:
            out[1] = dataByte(fluid_midi_event_get_control(event));
            out[2] = dataByte(fluid_midi_event_get_value(event));
            return 3;
        case programChange:
        case channelPressure:  // FluidSynth keeps the pressure where a program would be
            out[1] = dataByte(fluid_midi_event_get_program(event));
            return 2;
        case pitchBend: {
            const int value = fluid_midi_event_get_pitch(event);  // 0..16383, centre 8192
            out[1] = dataByte(value & maxDataByte);  // seven bits each, the low ones first
            out[2] = dataByte(value >> 7);
            return 3;
        }
        default:
            return 0;
    }
}

// Runs on the player's timer thread. Meta events stay here (the player applies the tempo);
// system exclusive messages are not passed on.
int FluidMusicService::forwardToAlsa(void* service, fluid_midi_event_t* event) {
    auto* self = static_cast<FluidMusicService*>(service);
    std::array<std::uint8_t, 3> message{};
    const std::size_t length = encodeChannelMessage(event, message);
    if (length == 0) return FLUID_OK;
    std::lock_guard lock(self->alsaMutex_);
    if (!self->alsaMuted_) self->alsa_->send(std::span(message.data(), length));
    return FLUID_OK;
}

std::unique_ptr<MusicService> makeFluidMusicService(FluidServiceOptions options) {
    return FluidMusicService::create(std::move(options));
}

}  // namespace halcyone
