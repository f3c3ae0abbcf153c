#include "playback/MusicResult.h"

namespace halcyone {

std::string describeMusicResult(int result) {
    switch (result) {
        case resultOk:
            return {};
        case resultNoSuchPort:
            return "There is no Midi device with this number.";
        case resultNotInitialised:
            return initialiseFailedText;
        case resultNotMidiFile:
            return loadFailedText;
        case resultNoSoundFont:
            return "No General MIDI SoundFont was found for the built-in synthesizer. Install the "
                   "Debian package fluid-soundfont-gm (or timgm6mb-soundfont), or choose another "
                   "Midi device.";
        case resultBadSoundFont:
            return "The SoundFont of the built-in synthesizer can't be read. Reinstall the Debian "
                   "package fluid-soundfont-gm, or choose another Midi device.";
        case resultNoAudioOutput:
            return "The built-in synthesizer can't start the audio output. Check that a sound card "
                   "is present and that a sound server (PipeWire, PulseAudio or JACK) is running, "
                   "or choose another Midi device.";
        case resultPortUnavailable:
            return "The Midi device can't be opened. It may have been unplugged or closed since "
                   "the program started.";
        case resultNoPort:
            return "No Midi device is open, so there is nothing to play on.";
        case resultNothingLoaded:
            return "There is no file to play.";
        case resultCantWrite:
            return "Can't write";
        case resultNoDeviceSelected:
            return noDeviceSelectedText;
        case resultCantConnect:
            return "The Midi device can't be connected to that port.";
        case resultNotConnectable:
            return "Only the JACK MIDI port connects to other programs' ports.";
        default:
            return "The music can't be played.";
    }
}

}  // namespace halcyone
