// halcyone-cli: Halcyone's composer for batch work and scripts. Loads a set-up saved by the
// window (.mpr), and composes, previews, renders or plays it.
#include <CLI/CLI.hpp>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "cli/PngWriter.h"
#include "cli/TerminalSession.h"
#include "compose/AppState.h"
#include "compose/ComposeCommand.h"
#include "compose/ControlSync.h"
#include "files/MidiWriter.h"
#include "files/Preferences.h"
#include "fractal/PreviewGrid.h"
#include "platform/MemoryControlPanel.h"
#include "playback/MusicResult.h"
#include "playback/Render.h"

namespace {

using namespace halcyone;

constexpr int exitFailure = 1;

// A failure of the tool: one line on stderr, exit code 1.
int fail(const std::string& message) {
    std::fprintf(stderr, "halcyone-cli: %s\n", message.c_str());
    return exitFailure;
}

struct Session {
    MemoryControlPanel panel;
    cli::TerminalDesktop desktop;

    Session() {
        installControlHost(&panel);
        installDesktop(&desktop);
        resetAppState();
        appState.startColour = defaultStartColour;
        setUpControls();
    }
    ~Session() {
        installDesktop(nullptr);
        installControlHost(nullptr);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads a set-up as "Load preferences..." does; on failure returns its message.
    std::optional<std::string> load(const std::string& path) {
        desktop.answer = path;
        desktop.lastMessage.reset();
        const bool loaded = loadPreferences();
        desktop.answer.reset();
        if (loaded) return std::nullopt;
        return desktop.lastMessage.value_or("can't load " + path);
    }

    // Makes channel `number` (1..5) current, as its button in the window would.
    void selectChannel(int number) { appState.currentChannel = &appState.channels[number - 1]; }
};

std::string describeLoadFailure(const std::string& path, const std::string& message) {
    return path + ": " + message;
}

// Loads the set-up and composes it as the Compose button does, with a progress line.
std::optional<std::string> loadAndCompose(Session& session, const std::string& setup) {
    if (auto error = session.load(setup)) return describeLoadFailure(setup, *error);
    cli::ProgressLine line("Composing");
    cli::ComposeProgressLine progress(line,
                                      progressStepsForBars(controlPosition(ControlId::BarNumber)));
    composeAll(progress);
    return std::nullopt;
}

// Writes the composition as "Save midi file..." does, to `output`.
std::optional<std::string> saveMidi(Session& session, const std::string& output) {
    session.desktop.answer = output;
    session.desktop.lastMessage.reset();
    writeMidiFile(false);
    session.desktop.answer.reset();
    if (session.desktop.lastMessage) return output + ": " + *session.desktop.lastMessage;
    return std::nullopt;
}

int runCompose(const std::string& setup, const std::string& output) {
    Session session;
    if (auto error = loadAndCompose(session, setup)) return fail(*error);
    if (auto error = saveMidi(session, output)) return fail(*error);
    std::printf("Wrote %s (%d bars at %d bpm)\n", output.c_str(), appState.barCount,
                controlPosition(ControlId::Tempo));
    return 0;
}

// A MIDI file in the temporary folder that is removed when the object goes.
class TemporaryMidi {
public:
    TemporaryMidi() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "halcyone-XXXXXX.mid").string();
        const int fd = mkstemps(pattern.data(), 4);
        if (fd >= 0) {
            close(fd);
            path_ = pattern;
        }
    }
    ~TemporaryMidi() {
        if (!path_.empty()) std::remove(path_.c_str());
    }
    TemporaryMidi(const TemporaryMidi&) = delete;
    TemporaryMidi& operator=(const TemporaryMidi&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

int runRender(const std::string& setup, const std::string& output, const std::string& font) {
    Session session;
    if (auto error = loadAndCompose(session, setup)) return fail(*error);
    TemporaryMidi midi;
    if (midi.path().empty()) return fail("can't create a temporary file");
    if (auto error = saveMidi(session, midi.path())) return fail(*error);
    RenderOptions options;
    options.soundFont = font;
    cli::ProgressLine line("Rendering");
    options.progress = [&line](double fraction) { line.show(fraction); };
    const int result = renderMidiToWav(midi.path(), output, options);
    if (result != resultOk) return fail(output + ": " + describeMusicResult(result));
    line.finish();
    std::printf("Wrote %s\n", output.c_str());
    return 0;
}

int runPorts() {
    const auto ports = outputPorts();
    if (ports.empty()) return fail("no output port: FluidSynth could not be set up");
    for (const OutputPort& port : ports)
        std::printf("%2d  %s%s\n", port.portNumber, port.name.c_str(),
                    port.isDefault ? "  (default)" : "");
    return 0;
}

std::atomic<bool> stopRequested{false};

extern "C" void requestStop(int) { stopRequested = true; }

int runPlay(const std::string& setup, int port, const std::string& font) {
    Session session;
    if (auto error = loadAndCompose(session, setup)) return fail(*error);
    TemporaryMidi midi;
    if (midi.path().empty()) return fail("can't create a temporary file");
    if (auto error = saveMidi(session, midi.path())) return fail(*error);
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::printf("Playing %s (Ctrl-C stops)\n", setup.c_str());
    std::fflush(stdout);
    PlayOptions options;
    options.soundFont = font;
    const int result = playMidiFile(midi.path(), port, stopRequested, options);
    if (result != resultOk) return fail(describeMusicResult(result));
    return 0;
}

int runPreview(const std::string& setup, const std::string& output, int channel) {
    Session session;
    if (auto error = session.load(setup)) return fail(describeLoadFailure(setup, *error));
    session.selectChannel(channel);
    PreviewCounts counts;
    samplePreview(currentView(), counts);
    PreviewColours pixels;
    previewColours(counts, appState.startColour, pixels);
    std::string error;
    if (!cli::writePreviewPng(output, pixels, error)) return fail(output + ": " + error);
    std::printf("Wrote %s\n", output.c_str());
    return 0;
}

int runPalette(const std::string& setup, int channel) {
    Session session;
    if (auto error = session.load(setup)) return fail(describeLoadFailure(setup, *error));
    session.selectChannel(channel);
    PreviewCounts counts;
    samplePreview(currentView(), counts);
    const Palette palette = paletteFromHistogram(countHistogram(counts), appState.startColour);
    for (std::size_t k = 0; k < palette.size(); ++k) {
        const Colour c = palette[k];
        std::printf("%2zu  #%02X%02X%02X  red %3d green %3d blue %3d\n", k + 1, redOf(c),
                    greenOf(c), blueOf(c), redOf(c), greenOf(c), blueOf(c));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    CLI::App app{"Halcyone: compose music from the Mandelbrot set, without the window.",
                 "halcyone-cli"};
    app.set_version_flag("--version", std::string("halcyone-cli ") + HALCYONE_VERSION);
    app.require_subcommand(1);
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return std::string("halcyone-cli: ") + e.what() + " (see --help)\n";
    });

    std::string setup, output;
    int channel = 1;

    auto* compose = app.add_subcommand("compose", "Compose a set-up and save it as a MIDI file");
    compose->add_option("setup", setup, "Preferences file (.mpr)")->required()->check(CLI::ExistingFile);
    compose->add_option("-o,--output", output, "MIDI file to write")->required();

    auto* preview = app.add_subcommand("preview", "Save the 200 x 200 preview of a view as PNG");
    preview->add_option("setup", setup, "Preferences file (.mpr)")->required()->check(CLI::ExistingFile);
    preview->add_option("-o,--output", output, "PNG file to write")->required();
    preview->add_option("--channel", channel, "Channel whose view to show (1-5)")->check(CLI::Range(1, 5));

    auto* palette = app.add_subcommand("palette", "List the view's 20 most frequent colours");
    palette->add_option("setup", setup, "Preferences file (.mpr)")->required()->check(CLI::ExistingFile);
    palette->add_option("--channel", channel, "Channel whose view to use (1-5)")->check(CLI::Range(1, 5));

    std::string soundFont;
    auto* render = app.add_subcommand("render", "Compose a set-up and render it to a WAV file");
    render->add_option("setup", setup, "Preferences file (.mpr)")->required()->check(CLI::ExistingFile);
    render->add_option("-o,--output", output, "WAV file to write")->required();
    render->add_option("--soundfont", soundFont, "SoundFont (.sf2) to use")->check(CLI::ExistingFile);

    auto* ports = app.add_subcommand("ports", "List the output ports, as the \"Midi device\" list does");

    int port = -1;
    auto* play = app.add_subcommand("play", "Compose a set-up and play it until it ends or Ctrl-C");
    play->add_option("setup", setup, "Preferences file (.mpr)")->required()->check(CLI::ExistingFile);
    play->add_option("--port", port, "Output port number from 'ports' (default: the built-in synthesizer)");
    play->add_option("--soundfont", soundFont, "SoundFont (.sf2) for the built-in synthesizer")->check(CLI::ExistingFile);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (*compose) return runCompose(setup, output);
    if (*preview) return runPreview(setup, output, channel);
    if (*palette) return runPalette(setup, channel);
    if (*render) return runRender(setup, output, soundFont);
    if (*ports) return runPorts();
    if (*play) return runPlay(setup, port, soundFont);
    return exitFailure;
}
