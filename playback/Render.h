// Playback functions for the command-line tool: render a Standard MIDI File to a WAV file,
// list the output ports as the "Midi device" list shows them, and play a file on a port.
// Results are the codes of MusicResult.h; describeMusicResult turns them into messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "files/FileResult.h"
#include "files/SafeFile.h"
#include "playback/MusicService.h"

namespace halcyone {

constexpr double defaultRenderSampleRate = 44100.0;
constexpr double renderTailSeconds = 2.0;  // at most, for notes to die away after the end
constexpr double playbackTailSeconds = 1.5;  // for the last notes to die away when playing

struct RenderOptions {
    std::string soundFont;  // empty: the first of standardSoundFontPaths() that exists
    double sampleRate = defaultRenderSampleRate;  // FluidSynth accepts 8000 to 96000
    // Fraction done, from 0 to 1, never decreasing; called on the rendering thread and
    // finally with 1 on success.
    std::function<void(double)> progress;
    // Looked at between blocks of audio: once true, the render ends without writing anything.
    const std::atomic<bool>* stop = nullptr;
};

struct RenderResult {
    int result = resultOk;  // a code of MusicResult.h
    FileResult file;        // with resultCantWrite: what became of the audio file, and why
    std::string soundFont;  // the SoundFont used, or the one that failed
    bool stopped = false;   // `stop` ended the render (result is resultOk, nothing written)

    bool ok() const { return succeeded(result) && !stopped; }
};

// Renders the Standard MIDI File `midi` with FluidSynth's offline file renderer (no audio
// output needed, faster than real time) into a 16-bit stereo WAV file: the piece, then up to
// renderTailSeconds while notes still sound. The audio fills `output`, which the caller has
// opened, and is committed only when complete: a failed or stopped render leaves an existing
// file as it was and no temporary behind.
// Fails with resultNotMidiFile, resultNoSoundFont, resultBadSoundFont, resultCantWrite, or
// resultFailed (FluidSynth can't be set up, or the sample rate is out of range).
RenderResult renderMidiToWav(std::span<const std::uint8_t> midi, SafeFile& output,
                             const RenderOptions& options = {});

struct OutputPort {
    int portNumber = 0;
    std::string name;
    bool isDefault = false;  // the first software synthesizer
};

// The output ports in the order of the "Midi device" list. Opens no port. Empty when the
// service can't be set up. An empty factory means FluidSynth and ALSA.
std::vector<OutputPort> outputPorts(const MusicServiceFactory& factory = {});

struct PlayOptions {
    std::string soundFont;               // for the built-in synthesizer; empty: the usual places
    MusicServiceFactory serviceFactory;  // empty: FluidSynth and ALSA
    double tailSeconds = playbackTailSeconds;
    std::function<void()> started;       // called once the music has started
};

// Plays `midiPath` on output port `portNumber` (-1: the default port) and returns when the
// piece has ended and its last notes have had `tailSeconds` to die away, or soon after
// `stopRequested` became true (the music is then stopped at once). resultOk in both cases.
// Fails with resultNoSuchPort when no output port has that number, and otherwise as loading
// the file, opening the port and playing do (a load failure is reported first).
int playMidiFile(const std::string& midiPath, int portNumber,
                 const std::atomic<bool>& stopRequested, const PlayOptions& options = {});

}  // namespace halcyone
