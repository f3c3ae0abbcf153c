#include "playback/JackLibrary.h"

#include <dlfcn.h>

namespace halcyone {

namespace {

constexpr const char* probeClientName = "halcyone";

void quietJack(const char*) {}

template <typename Function>
bool find(void* handle, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(handle, name));
    return out != nullptr;
}

}  // namespace

std::optional<JackLibrary> loadJackLibrary(const std::string& fileName) {
    // Never closed: the library's threads may outlive any one client.
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return std::nullopt;
    JackLibrary jack{};
    decltype(&::jack_set_error_function) setErrorFunction = nullptr;
    decltype(&::jack_set_info_function) setInfoFunction = nullptr;
    const bool complete = find(handle, "jack_client_open", jack.clientOpen) &&
                          find(handle, "jack_client_close", jack.clientClose) &&
                          find(handle, "jack_activate", jack.activate) &&
                          find(handle, "jack_deactivate", jack.deactivate) &&
                          find(handle, "jack_on_shutdown", jack.onShutdown) &&
                          find(handle, "jack_set_process_callback", jack.setProcessCallback) &&
                          find(handle, "jack_get_sample_rate", jack.sampleRate) &&
                          find(handle, "jack_last_frame_time", jack.lastFrameTime) &&
                          find(handle, "jack_port_register", jack.portRegister) &&
                          find(handle, "jack_port_name", jack.portName) &&
                          find(handle, "jack_port_get_buffer", jack.portBuffer) &&
                          find(handle, "jack_connect", jack.connect) &&
                          find(handle, "jack_port_get_connections", jack.portConnections) &&
                          find(handle, "jack_free", jack.free) &&
                          find(handle, "jack_midi_clear_buffer", jack.midiClearBuffer) &&
                          find(handle, "jack_midi_event_write", jack.midiEventWrite) &&
                          find(handle, "jack_set_error_function", setErrorFunction) &&
                          find(handle, "jack_set_info_function", setInfoFunction);
    if (!complete) return std::nullopt;
    // Without a server libjack says so on stderr at every attempt to connect.
    setErrorFunction(quietJack);
    setInfoFunction(quietJack);
    return jack;
}

jack_client_t* openJackClient(const JackLibrary& jack, const char* name,
                              const std::string& server) {
    jack_status_t status{};
    if (server.empty()) return jack.clientOpen(name, JackNoStartServer, &status);
    return jack.clientOpen(name, static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                           &status, server.c_str());
}

bool jackServerRunning(const JackLibrary& jack, const std::string& server) {
    jack_client_t* client = openJackClient(jack, probeClientName, server);
    if (!client) return false;
    jack.clientClose(client);
    return true;
}

}  // namespace halcyone
