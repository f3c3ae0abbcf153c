// Rendering: a Standard MIDI File to an audio file (WAV, FLAC or Ogg Vorbis) with FluidSynth's
// offline file renderer and libsndfile, faster than real time and without an audio output.
// Results are the codes of MusicResult.h.
//
// Threads: a render touches no state of the program's own (no appState, no controls, no
// desktop), so it may run on a worker thread while the window stays responsive. It runs wholly
// on the thread that calls it and returns when it is over. The MIDI bytes, the SafeFile(s) and
// the options belong to that call until it returns: no other thread may use them meanwhile.
// `progress` is called on the rendering thread (a window posts it on to its own thread);
// `stop` is the one thing another thread may touch, by setting it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "files/FileResult.h"
#include "files/SafeFile.h"
#include "playback/AudioFormat.h"
#include "playback/MusicResult.h"

namespace halcyone {

constexpr double defaultRenderSampleRate = 44100.0;
constexpr double renderTailSeconds = 2.0;  // at most, for notes to die away after the end

struct RenderOptions {
    std::string soundFont;  // empty: the first of standardSoundFontPaths() that exists
    double sampleRate = defaultRenderSampleRate;  // FluidSynth accepts 8000 to 96000
    AudioFormat format = AudioFormat::Wav;        // 16-bit stereo in each
    // Fraction done, from 0 to 1, never decreasing; called between blocks of audio on the
    // rendering thread, and finally with 1 on success.
    std::function<void(double)> progress;
    // Looked at between blocks of audio: once true, the render ends without writing anything.
    const std::atomic<bool>* stop = nullptr;
};

struct RenderResult {
    int result = resultOk;  // a code of MusicResult.h
    FileResult file;        // with resultCantWrite: what became of the audio file, and why
    std::string soundFont;  // the SoundFont used, or the one that failed
    bool stopped = false;   // `stop` ended the render (result is resultOk, nothing written)
    int failedOutput = -1;  // of several outputs, the one `file` speaks of

    bool ok() const { return succeeded(result) && !stopped; }
};

// Renders the Standard MIDI File `midi` in options.format: the piece, then up to
// renderTailSeconds while notes still sound. The audio fills `output`, which the caller has
// opened, and is committed only when complete: a failed or stopped render leaves an existing
// file as it was and no temporary behind.
// Fails with resultNotMidiFile, resultNoSoundFont, resultBadSoundFont, resultCantWrite, or
// resultFailed (FluidSynth can't be set up, or the sample rate is out of range).
RenderResult renderMidiToAudio(std::span<const std::uint8_t> midi, SafeFile& output,
                               const RenderOptions& options = {});

constexpr int allChannels = -1;

// One file of a render of several: the MIDI channel (0 to 15) that sounds in it, or all.
struct ChannelOutput {
    SafeFile* file = nullptr;
    int channel = allChannels;
};

// The core of renderMidiToAudio for several files at once: one pass over the piece, a
// synthesizer per output that hears only its channel's messages, with the same reverb and
// chorus as a whole render. Every file has the same length, that of the whole render: the tail
// lasts while a note sounds in any of them. On success each file is complete and left for the
// caller to commit (or discard); on failure or stop all are discarded. Fails as
// renderMidiToAudio does; failedOutput names the output a failed write concerns.
RenderResult renderMidiToOutputs(std::span<const std::uint8_t> midi,
                                 std::span<const ChannelOutput> outputs,
                                 const RenderOptions& options = {});

}  // namespace halcyone
