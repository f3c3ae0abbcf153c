// The entry point of halcyone-playback.so; compiled into the module only.
#include "playback/PlaybackModule.h"

#include "playback/SoundFonts.h"
#include "playback/Stems.h"

extern "C" __attribute__((visibility("default"))) const halcyone::PlaybackModule*
halcyone_playback_module() {
    static const halcyone::PlaybackModule module{
        HALCYONE_VERSION,
        &halcyone::checkSoundFont,
        &halcyone::standardSoundFontPaths,
        &halcyone::findSoundFont,
        &halcyone::renderMidiToAudio,
        &halcyone::renderMidiToStems,
        &halcyone::outputPorts,
        &halcyone::playMidiFile,
    };
    return &module;
}
