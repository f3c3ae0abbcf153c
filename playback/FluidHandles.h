// Owning handles for FluidSynth objects, so that every one is deleted exactly once and in the
// order its owner declares.
#pragma once

#include <fluidsynth.h>

#include <memory>

namespace halcyone {

struct FluidDeleter {
    void operator()(fluid_settings_t* p) const { delete_fluid_settings(p); }
    void operator()(fluid_synth_t* p) const { delete_fluid_synth(p); }
    // Must not run while an audio driver renders the player's synth.
    void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
    void operator()(fluid_audio_driver_t* p) const { delete_fluid_audio_driver(p); }
    void operator()(fluid_file_renderer_t* p) const { delete_fluid_file_renderer(p); }
};

using FluidSettings = std::unique_ptr<fluid_settings_t, FluidDeleter>;
using FluidSynth = std::unique_ptr<fluid_synth_t, FluidDeleter>;
using FluidPlayer = std::unique_ptr<fluid_player_t, FluidDeleter>;
using FluidAudioDriver = std::unique_ptr<fluid_audio_driver_t, FluidDeleter>;
using FluidFileRenderer = std::unique_ptr<fluid_file_renderer_t, FluidDeleter>;

// Turns FluidSynth's own messages, and those of the libraries it uses, off for the whole
// process (they would go to the terminal); failures reach the user through result codes
// instead. Safe to call from any thread.
void quietFluidSynth();

// New settings with FluidSynth quiet and memory locking off (it needs privileges and only
// warns without them). nullptr when FluidSynth can't allocate them.
FluidSettings makeFluidSettings();

}  // namespace halcyone
