#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <utility>

#include "cli/Say.h"
#include "fractal/EscapeIsa.h"
#include "platform/WholeNumber.h"

namespace halcyone::cli {

namespace {

const char* const subcommandNames[] = {"compose", "render", "play", "ports", "preview", "palette"};

const char* const mainFooter =
    "Exit status: 0 success, 1 failure (one line on stderr says what and why), 2 usage error.\n"
    "-o - writes to standard output. Ctrl-C or SIGTERM stops compose, render and preview\n"
    "without leaving anything behind; play stops the music and exits with 0.\n"
    "See halcyone-cli(1).";

// The first word that is not an option, when it names no subcommand.
std::optional<std::string> unknownSubcommand(int argc, char** argv) {
    for (int k = 1; k < argc; ++k) {
        const std::string word = argv[k];
        if (word.starts_with('-')) continue;
        for (const char* name : subcommandNames)
            if (word == name) return std::nullopt;
        return word;
    }
    return std::nullopt;
}

// A whole number from `low` to `high`; `what` names it in the refusal of one out of range.
CLI::Validator numberBetween(int low, int high, const std::string& what) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const auto value = wholeNumber(text);
            if (!value) return "'" + text + "' is not a number";
            if (*value < low || *value > high) return text + " is not " + what;
            return {};
        },
        "");
}

std::string example(const std::string& lines) {
    return "Example:\n" + lines;
}

// A subcommand that reads a set-up file.
CLI::App* addSetupSubcommand(CLI::App& app, const std::string& name, const std::string& description,
                             CommandLine& line) {
    CLI::App* sub = app.add_subcommand(name, description);
    sub->add_option("setup", line.setup, "Preferences file (.mpr)")->required();
    return sub;
}

void addOutput(CLI::App* sub, CommandLine& line, const std::string& what) {
    sub->add_option("-o,--output", line.output, what + " to write (- for standard output)")
        ->required();
}

void addChannel(CLI::App* sub, CommandLine& line, const std::string& description) {
    sub->add_option("--channel", line.channel, description)
        ->check(numberBetween(1, 5, "a channel number (1 to 5)"));
}

CLI::App* addCompose(CLI::App& app, CommandLine& line) {
    CLI::App* sub =
        addSetupSubcommand(app, "compose", "Compose a set-up and save it as a MIDI file", line);
    addOutput(sub, line, "MIDI file");
    sub->add_flag("--tracks", line.tracks,
                  "A track per channel that plays, named after its instrument (format 1, for a "
                  "DAW)");
    sub->footer(
        example("  halcyone-cli compose seahorse-valley.mpr -o seahorse.mid\n"
                "  halcyone-cli compose seahorse-valley.mpr -o seahorse-tracks.mid --tracks"));
    return sub;
}

// "wav", "flac" or "ogg", in any case.
CLI::Validator audioFormatWord() {
    return CLI::Validator(
        [](std::string& word) -> std::string {
            if (audioFormatNamed(word)) return {};
            return "'" + word + "' is not an audio format (wav, flac or ogg)";
        },
        "");
}

CLI::App* addRender(CLI::App& app, CommandLine& line) {
    CLI::App* sub = addSetupSubcommand(
        app, "render", "Compose a set-up and render it to WAV, FLAC or Ogg Vorbis audio", line);
    sub->add_option("-o,--output", line.output,
                    "Audio file to write (- for standard output); with --stems, the folder")
        ->required();
    sub->add_option_function<std::string>(
           "--format", [&line](const std::string& word) { line.format = audioFormatNamed(word); },
           "Audio format (default: by the output's extension, else wav)")
        ->check(audioFormatWord())
        ->type_name("wav|flac|ogg");
    sub->add_flag("--stems", line.stems,
                  "A file per channel that plays, NN-instrument.wav (or .flac, .ogg), into the "
                  "folder -o names; all of the same length");
    sub->add_option("--soundfont", line.soundFont,
                    "SoundFont (.sf2) to use (default: the system's General MIDI one)");
    sub->footer(
        example("  halcyone-cli render seahorse-valley.mpr -o seahorse.wav\n"
                "  halcyone-cli render seahorse-valley.mpr -o seahorse.flac\n"
                "  halcyone-cli render bulb-garden.mpr -o bulb-stems --stems --format flac\n"
                "  halcyone-cli render bulb-garden.mpr -o - --format ogg > bulb.ogg"));
    return sub;
}

CLI::App* addPlay(CLI::App& app, CommandLine& line) {
    CLI::App* sub = addSetupSubcommand(
        app, "play", "Compose a set-up and play it until it ends or Ctrl-C", line);
    CLI::Option* port =
        sub->add_option("--port", line.port,
                        "Output port number from 'halcyone-cli ports' (default: the built-in "
                        "synthesizer)")
            ->check(numberBetween(0, 0x7FFFFFFF, "a port number; 'halcyone-cli ports' lists them"));
    sub->add_option("--connect", line.connect,
                    "JACK port to connect the JACK MIDI port to, such as a synthesizer's MIDI "
                    "input (with --port naming the JACK MIDI port)")
        ->needs(port);
    sub->add_option("--soundfont", line.soundFont, "SoundFont (.sf2) for the built-in synthesizer");
    sub->footer(
        example("  halcyone-cli play bulb-garden.mpr\n"
                "  halcyone-cli play bulb-garden.mpr --port 1\n"
                "  halcyone-cli play bulb-garden.mpr --port 1 --connect qsynth:midi_00"));
    return sub;
}

CLI::App* addPorts(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("ports", "List the output ports that play --port can name");
    sub->footer(example("  halcyone-cli ports"));
    return sub;
}

CLI::App* addPreview(CLI::App& app, CommandLine& line) {
    CLI::App* sub =
        addSetupSubcommand(app, "preview", "Save the 200 x 200 preview of a view as PNG", line);
    addOutput(sub, line, "PNG file");
    addChannel(sub, line, "Channel whose view to show (1-5)");
    sub->footer(example("  halcyone-cli preview bulb-garden.mpr -o bulb-3.png --channel 3"));
    return sub;
}

CLI::App* addPalette(CLI::App& app, CommandLine& line) {
    CLI::App* sub =
        addSetupSubcommand(app, "palette", "List the view's 20 most frequent colours", line);
    addChannel(sub, line, "Channel whose view to use (1-5)");
    sub->footer(example("  halcyone-cli palette seahorse-valley.mpr"));
    return sub;
}

// Nothing when the arguments were taken; otherwise the exit code, after help, the version or
// the usage error has been printed.
std::optional<int> parse(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string where = "halcyone-cli";
        for (const CLI::App* sub : app.get_subcommands()) where += " " + sub->get_name();
        say(std::string(e.what()) + " (see " + where + " --help)");
        return exitUsage;
    }
    return std::nullopt;
}

}  // namespace

std::variant<CommandLine, int> readCommandLine(int argc, char** argv) {
    if (auto word = unknownSubcommand(argc, argv)) {
        say("unknown subcommand '" + *word +
            "'; the subcommands are compose, render, play, ports, preview and palette "
            "(see halcyone-cli --help)");
        return exitUsage;
    }
    CLI::App app{"Halcyone: compose music from the Mandelbrot set, without the window.",
                 "halcyone-cli"};
    app.set_version_flag("--version", std::string("halcyone-cli ") + HALCYONE_VERSION +
                                          " (escape kernels: " + escapeIsaName(escapeIsaInUse()) + ")"
                                          "\nLicense GPLv3+: GNU GPL version 3 or later "
                                          "<https://gnu.org/licenses/gpl.html>");
    app.require_subcommand(1);
    app.footer(mainFooter);

    CommandLine line;
    const std::pair<CLI::App*, Subcommand> subcommands[] = {
        {addCompose(app, line), Subcommand::Compose}, {addRender(app, line), Subcommand::Render},
        {addPlay(app, line), Subcommand::Play},       {addPorts(app), Subcommand::Ports},
        {addPreview(app, line), Subcommand::Preview}, {addPalette(app, line), Subcommand::Palette},
    };
    if (const auto code = parse(app, argc, argv)) return *code;
    for (const auto& [sub, which] : subcommands)
        if (*sub) line.subcommand = which;
    if (line.stems && line.output == "-") {
        say("--stems writes files into a folder, not to standard output (see halcyone-cli "
            "render --help)");
        return exitUsage;
    }
    return line;
}

}  // namespace halcyone::cli
