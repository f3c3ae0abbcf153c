#include "playback/FluidHandles.h"

#include <glib.h>

#include <mutex>

namespace halcyone {

void quietFluidSynth() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
        // The libraries under FluidSynth (GLib, libinstpatch) warn through GLib's log, for
        // instance when a file is not a SoundFont they can load.
        g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                                  nullptr);
    });
}

FluidSettings makeFluidSettings() {
    quietFluidSynth();
    FluidSettings settings(new_fluid_settings());
    if (settings) fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    return settings;
}

}  // namespace halcyone
