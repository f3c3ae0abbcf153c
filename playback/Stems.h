// Stems for a DAW: a piece rendered into one audio file per channel that plays notes, each of
// the whole render's length, so that they line up from zero. The thread rules of Render.h hold.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/MidiTracks.h"
#include "playback/Render.h"

namespace halcyone {

struct StemsResult {
    RenderResult render;             // as for one file (render.file: what failed, and why)
    std::string failedPath;          // the stem or the folder that a failure concerns
    std::vector<std::string> files;  // the stems written, in channel order, when render.ok()
};

// "NN-Name.ext": the channel number from 01, the instrument's name (partName) with each run of
// characters other than ASCII letters and digits made one '-', and the format's extension:
// "01-Acoustic-Grand-Piano.wav", "03-Lead-8-bass-lead.flac".
std::string stemFileName(const ChannelPart& part, AudioFormat format);

// Renders `midi`, a one-track file of the program's writer (files/MidiBytes.h), into
// stemFileName(part, options.format) in `folder` for each of channelParts(midi), each with
// only its channel sounding and the reverb and chorus of a whole render (see
// renderMidiToOutputs). A missing `folder` is created (its parent must exist). The stems
// replace files of the same names only once every one of them is complete and synced; other
// files in the folder are left alone. After a failure or a stop nothing is left: no temporary,
// no stem, and no folder when this call created it. Without a channel that plays, nothing is
// written and nothing created. Fails as renderMidiToAudio does, and with resultCantWrite when
// the folder can't be made or used.
StemsResult renderMidiToStems(std::span<const std::uint8_t> midi, const std::string& folder,
                              const RenderOptions& options = {});

}  // namespace halcyone
