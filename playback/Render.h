// Rendering for the command-line tool: a Standard MIDI File to a WAV file, with FluidSynth's
// offline file renderer. Results are the codes of MusicResult.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "files/FileResult.h"
#include "files/SafeFile.h"
#include "playback/MusicResult.h"

namespace halcyone {

constexpr double defaultRenderSampleRate = 44100.0;
constexpr double renderTailSeconds = 2.0;  // at most, for notes to die away after the end

struct RenderOptions {
    std::string soundFont;  // empty: the first of standardSoundFontPaths() that exists
    double sampleRate = defaultRenderSampleRate;  // FluidSynth accepts 8000 to 96000
    // Fraction done, from 0 to 1, never decreasing; called between blocks of audio on the
    // thread that called renderMidiToWav, and finally with 1 on success.
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

// Renders the Standard MIDI File `midi` into a 16-bit stereo WAV file, faster than real time
// and without an audio output: the piece, then up to renderTailSeconds while notes still
// sound. The audio fills `output`, which the caller has opened, and is committed only when
// complete: a failed or stopped render leaves an existing file as it was and no temporary
// behind. Runs on the calling thread and returns when the render is over.
// Fails with resultNotMidiFile, resultNoSoundFont, resultBadSoundFont, resultCantWrite, or
// resultFailed (FluidSynth can't be set up, or the sample rate is out of range).
RenderResult renderMidiToWav(std::span<const std::uint8_t> midi, SafeFile& output,
                             const RenderOptions& options = {});

}  // namespace halcyone
