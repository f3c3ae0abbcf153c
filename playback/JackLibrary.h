// JACK's client library, opened at run time: the program must start, and play everywhere else,
// where JACK is not installed. Only the functions the JACK MIDI port and its probe use are
// looked up.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <optional>
#include <string>

namespace halcyone {

inline constexpr const char* standardJackLibrary = "libjack.so.0";

struct JackLibrary {
    decltype(&::jack_client_open) clientOpen;
    decltype(&::jack_client_close) clientClose;
    decltype(&::jack_activate) activate;
    decltype(&::jack_deactivate) deactivate;
    decltype(&::jack_on_shutdown) onShutdown;
    decltype(&::jack_set_process_callback) setProcessCallback;
    decltype(&::jack_get_sample_rate) sampleRate;
    decltype(&::jack_last_frame_time) lastFrameTime;
    decltype(&::jack_port_register) portRegister;
    decltype(&::jack_port_name) portName;
    decltype(&::jack_port_get_buffer) portBuffer;
    decltype(&::jack_connect) connect;
    decltype(&::jack_port_get_connections) portConnections;
    decltype(&::jack_free) free;
    decltype(&::jack_midi_clear_buffer) midiClearBuffer;
    decltype(&::jack_midi_event_write) midiEventWrite;
};

// The library `fileName` with every function above, and JACK's messages to the terminal turned
// off for the whole process (failures reach the user through result codes instead); nothing
// when it can't be opened or lacks a function. It stays loaded.
std::optional<JackLibrary> loadJackLibrary(const std::string& fileName = standardJackLibrary);

// Whether a JACK server named `server` (empty: JACK's default, $JACK_DEFAULT_SERVER or
// "default") runs and accepts clients. Never starts one, never waits for one: a client is
// opened with JackNoStartServer and closed again.
bool jackServerRunning(const JackLibrary& jack, const std::string& server);

// A client `name` of the server `server` (as above), never starting one; nullptr when it can't
// be opened. JACK may give it another name when `name` is taken.
jack_client_t* openJackClient(const JackLibrary& jack, const char* name, const std::string& server);

}  // namespace halcyone
