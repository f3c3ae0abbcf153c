// The program's music service. Port 0 is the built-in General MIDI synthesizer (FluidSynth with
// a SoundFont, heard through JACK or the desktop's audio); then, when a JACK server runs, the
// JACK MIDI port; after it come the ALSA sequencer's ports, writable ones as output ports and
// readable-only ones as input ports. A file plays with FluidSynth's MIDI file player, which
// times the events at the file's tempo and hands them to the synthesizer or, for an ALSA port,
// sends them to that port as they fall due; the JACK MIDI port times the file itself, to the
// frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "playback/AlsaSequencer.h"
#include "playback/FluidHandles.h"
#include "playback/JackLibrary.h"
#include "playback/JackMidiOutput.h"
#include "playback/MidiFileCheck.h"
#include "playback/MusicService.h"
#include "playback/SoundFonts.h"

namespace halcyone {

constexpr std::uint32_t portKindSynth = 1;
constexpr std::uint32_t portKindAlsa = 2;
constexpr std::uint32_t portKindJack = 3;

// JACK when a server runs (where musicians route their audio), then the desktop's sound
// servers, then the sound card directly. "jack" is tried only when a server runs, so that
// none is started.
std::vector<std::string> standardAudioDrivers();

struct FluidServiceOptions {
    std::vector<std::string> soundFonts = standardSoundFontPaths();  // the first found is used
    std::vector<std::string> audioDrivers = standardAudioDrivers();  // the first that starts
    bool listAlsaPorts = true;
    std::string jackLibrary = standardJackLibrary;  // empty: no JACK at all
    std::string jackServer;                         // empty: JACK's default server
};

class FluidMusicService final : public MusicService {
public:
    // nullptr when FluidSynth can't create its settings or synthesizer. A missing SoundFont, a
    // missing audio output or a missing sequencer are not failures here: opening port 0 reports
    // the first two, and without a sequencer only port 0 is listed.
    static std::unique_ptr<FluidMusicService> create(FluidServiceOptions options = {});
    ~FluidMusicService() override;

    int enumeratePort(int number, PortDescription& out) override;
    // Port 0: finds the SoundFont (resultNoSoundFont). An ALSA port: resultPortUnavailable when
    // it can't be connected. The JACK MIDI port: resultPortUnavailable when its client can't be
    // opened (the server has stopped since the listing).
    int openPort(const PortId& id) override;
    void closePort() override;
    // The JACK MIDI port only (resultNotConnectable on the others): resultCantConnect when
    // `destination` is not a JACK MIDI input port.
    int connectPort(const std::string& destination) override;
    int loadMidiFile(const std::string& path) override;
    void unloadMidiFile() override;
    // On port 0 the first Play starts the audio output (resultNoAudioOutput) and loads the
    // SoundFont (resultBadSoundFont): the window opens port 0 at start-up, where there may be
    // no sound card or sound server and reading a font would only slow it down.
    int playFromStart() override;
    int stopAll() override;
    bool isPlaying() const override;

private:
    enum class OpenPort { None, Synth, Alsa, Jack };

    FluidMusicService(FluidServiceOptions options, FluidSettings settings, FluidSynth synth);

    int openSynth();
    int startSynth();
    FluidAudioDriver startAudio();
    int openAlsa(int client, int port);
    int openJack();
    int playOnJack();
    void listPorts();
    PortDescription describeJack() const;
    const JackLibrary* jackLibrary();
    bool jackServerRuns();
    void loadInstruments();
    PortDescription describeSynth() const;
    static int forwardToAlsa(void* service, fluid_midi_event_t* event);

    FluidServiceOptions options_;
    FluidSettings settings_;
    FluidSynth synth_;
    std::unique_ptr<AlsaSequencer> alsa_;  // opened on first use
    bool listed_ = false;
    std::vector<AlsaPort> alsaPorts_;  // as listed when port 0 was described
    std::mutex alsaMutex_;             // the player's timer thread sends while we silence
    bool alsaMuted_ = true;            // guarded by alsaMutex_
    bool jackLoaded_ = false;
    std::optional<JackLibrary> jack_;  // loaded on first use
    bool jackListed_ = false;          // a server ran when port 0 was described
    std::unique_ptr<JackMidiOutput> jackOutput_;
    std::string soundFont_;  // found when port 0 opened, loaded at its first Play
    // Players are deleted only when nothing renders their synthesizer: a stopped one stays
    // here until the port closes. The last one is the current one.
    std::vector<FluidPlayer> players_;
    FluidAudioDriver audioDriver_;
    OpenPort open_ = OpenPort::None;
    std::vector<std::uint8_t> midiFile_;
    MidiFileFacts facts_;  // FluidSynth's own tick count races with its loading thread
};

// The MIDI bytes of a channel message from FluidSynth's player (status first) written to
// `out`; their count, or 0 for anything else (meta events, system exclusive).
std::size_t encodeChannelMessage(const fluid_midi_event_t* event, std::array<std::uint8_t, 3>& out);

// The factory the program uses; nullptr when the service can't be created.
std::unique_ptr<MusicService> makeFluidMusicService(FluidServiceOptions options = {});

}  // namespace halcyone
