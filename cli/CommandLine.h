// The command line of halcyone-cli: the subcommand and what it is given.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "playback/AudioFormat.h"

namespace halcyone::cli {

enum class Subcommand { Compose, Render, Play, Ports, Preview, Palette };

struct CommandLine {
    Subcommand subcommand = Subcommand::Compose;
    std::string setup;      // the preferences file (.mpr)
    std::string output;     // the file to write; "-" is standard output
    std::string soundFont;  // empty: the system's General MIDI SoundFont
    int channel = 1;        // whose view to use, 1..5
    int port = -1;          // output port number; -1: the default port
    std::string connect;    // a JACK port to connect the JACK MIDI port to
    bool tracks = false;    // compose: a format-1 file with a track per channel
    bool stems = false;     // render: a file per channel into the folder `output`
    std::optional<AudioFormat> format;  // render: as --format says; else by the file name
};

constexpr int exitUsage = 2;

// The command line in `argv`, or the exit code when there is nothing to run: 0 once --help or
// --version has been printed, exitUsage after a usage error, said in one line on stderr.
std::variant<CommandLine, int> readCommandLine(int argc, char** argv);

}  // namespace halcyone::cli
