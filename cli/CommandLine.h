// The command line of halcyone-cli: the subcommand and what it is given.
#pragma once

#include <string>
#include <variant>

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
};

constexpr int exitUsage = 2;

// The command line in `argv`, or the exit code when there is nothing to run: 0 once --help or
// --version has been printed, exitUsage after a usage error, said in one line on stderr.
std::variant<CommandLine, int> readCommandLine(int argc, char** argv);

}  // namespace halcyone::cli
