// halcyone-cli: Halcyone's composer for batch work and scripts. Loads a set-up saved by the
// window (.mpr), and composes, previews, renders or plays it.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <variant>

#include <unistd.h>

#include "cli/CommandLine.h"
#include "cli/PlaybackLoader.h"
#include "cli/PngWriter.h"
#include "cli/ProgressLine.h"
#include "cli/Say.h"
#include "cli/TerminalComposeProgress.h"
#include "compose/AppState.h"
#include "compose/ComposeCommand.h"
#include "compose/ControlSync.h"
#include "compose/PreviewImage.h"
#include "files/MidiWriter.h"
#include "files/Preferences.h"
#include "files/SafeFile.h"
#include "files/TemporaryFiles.h"
#include "fractal/EscapeIsa.h"
#include "fractal/PreviewGrid.h"
#include "platform/MemoryControlPanel.h"
#include "playback/MusicResult.h"
#include "playback/PlaybackModule.h"

namespace {

using namespace halcyone;

using cli::say;

constexpr int exitSuccess = 0;
constexpr int exitFailure = 1;
constexpr int exitInterrupted = -1;  // ends the process by the signal that stopped the work

constexpr const char* standardOutputName = "-";

// A failure of the tool: one line on stderr, exit code 1.
int fail(const std::string& message) {
    say(message);
    return exitFailure;
}

// Ctrl-C and SIGTERM: the work stops at its next look at the flag, its temporary files are
// removed on the way out, and the process then ends by the same signal. A second signal ends
// it at once. A signal the shell has us ignore (a background job's Ctrl-C) stays ignored.
std::atomic<bool> stopRequested{false};
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void requestStop(int signal) {
    stopSignal = signal;
    stopRequested = true;
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // and no SA_RESTART: a blocked open gives up
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
    }
}

// The output as the files layer names it: "-" is standard output.
std::string outputPath(const std::string& output) {
    return output == standardOutputName ? std::string(standardOutputPath) : output;
}

std::string shownName(const std::string& output) {
    return output == standardOutputName ? "standard output" : output;
}

// "Wrote ..." on stdout, unless the output went there (-o -, /dev/stdout, /dev/fd/1).
void reportWritten(const std::string& output, const std::string& details = {}) {
    if (output == standardOutputName || sameFile(output, standardOutputPath)) return;
    std::printf("Wrote %s%s\n", output.c_str(), details.c_str());
}

// Reasons to refuse an output before any work: it is an input, or binary data would go to a
// terminal.
std::optional<std::string> outputProblem(const std::string& output,
                                         const std::string& setup,
                                         const std::string& soundFont = {}) {
    const std::string path = outputPath(output);
    if (sameFile(path, setup))
        return "can't write " + shownName(output) + ": it is the set-up file being read";
    if (!soundFont.empty() && sameFile(path, soundFont))
        return "can't write " + shownName(output) + ": it is the SoundFont being read";
    if (output == standardOutputName && isatty(STDOUT_FILENO))
        return "won't write to standard output, a terminal: redirect it or name a file with -o";
    return std::nullopt;
}

// The temporary folder, with one line when $TMPDIR had to be passed over.
std::optional<std::string> usableTemporaryFolder() {
    const TemporaryFolder folder = temporaryFolder();
    if (!folder.unusable.empty() && !folder.path.empty()) {
        FileResult why = fileFailure(FileOutcome::CantOpen, folder.unusableError);
        say("TMPDIR " + folder.unusable + " can't be used (" + why.reason() +
            "); temporary files go to " + folder.path);
    }
    if (folder.path.empty()) {
        say("no folder for temporary files: TMPDIR, /tmp and the cache folder can't be used");
        return std::nullopt;
    }
    return folder.path;
}

// The window's state and controls in memory. No desktop is installed: a file dialog would be
// cancelled, and the tool passes paths to the file commands' cores instead.
struct Session {
    MemoryControlPanel panel;

    Session() {
        installControlHost(&panel);
        resetAppState();
        appState.startColour = defaultStartColour;
        setUpControls();
    }
    ~Session() { installControlHost(nullptr); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads a set-up as "Load preferences..." does; on failure returns the message.
    static std::optional<std::string> load(const std::string& path) {
        const FileResult loaded = loadPreferencesFrom(path);
        if (loaded.ok()) return std::nullopt;
        return describeFileFailure(loaded, path, "load");
    }

    // Makes channel `number` (1..5) current and shows it, as its button in the window does:
    // appState.previewBitmap then holds its view's preview.
    static void selectChannel(int number) { halcyone::selectChannel(number - 1); }
};

// Why the composition has no notes, or nothing when it has some.
std::optional<std::string> silence() {
    bool anyOn = false;
    for (const Channel& channel : appState.channels) {
        if (channel.instrument == 0) continue;
        anyOn = true;
        if (channel.events[0].note != 0) return std::nullopt;
    }
    return anyOn ? "no channel that is on meets its colour in its view"
                 : "every channel is Off";
}

// Loads the set-up and composes it as the Compose button does, with a progress line. Returns
// the exit code when it can't go on.
std::optional<int> loadAndCompose(const std::string& setup) {
    if (auto error = Session::load(setup)) return fail(*error);
    bool composed = false;
    {
        cli::ProgressLine line("Composing");
        cli::TerminalComposeProgress progress(
            line, progressStepsForBars(controlPosition(ControlId::BarNumber)), &stopRequested);
        composed = composeAll(progress);
        if (composed) line.finish();
    }
    if (!composed || stopRequested) return exitInterrupted;
    if (auto why = silence()) say("note: the set-up composes no notes: " + *why);
    return std::nullopt;
}

int runCompose(const std::string& setup, const std::string& output, bool tracks) {
    if (auto problem = outputProblem(output, setup)) return fail(*problem);
    Session session;
    catchStopSignals();
    if (auto code = loadAndCompose(setup)) return *code;
    const std::string path = outputPath(output);
    const FileResult written = tracks ? writeMidiTracksTo(path) : writeMidiFileTo(path);
    if (!written.ok() && stopRequested) return exitInterrupted;
    if (!written.ok()) return fail(describeFileFailure(written, shownName(output), "write"));
    reportWritten(output, " (" + std::to_string(appState.barCount) + " bars at " +
                              std::to_string(controlPosition(ControlId::Tempo)) + " bpm" +
                              (tracks ? ", a track per channel" : "") + ")");
    return exitSuccess;
}

// The playback module (FluidSynth and ALSA), opened only by the subcommands that make sound;
// nullptr after saying why it can't be.
const PlaybackModule* openPlayback() {
    const cli::LoadedPlayback& loaded = cli::playbackModule();
    if (!loaded.module) say(loaded.error);
    return loaded.module;
}

// A SoundFont given on the command line that can't serve, named as the culprit.
std::optional<std::string> soundFontProblem(const PlaybackModule& playback,
                                            const std::string& soundFont) {
    if (soundFont.empty()) return std::nullopt;
    const FileResult checked = playback.checkSoundFont(soundFont);
    if (checked.ok()) return std::nullopt;
    return describeFileFailure(checked, "SoundFont " + soundFont, "use");
}

const char* const noSoundFontText =
    "no General MIDI SoundFont was found: name one with --soundfont FILE, or install the Debian "
    "package fluid-soundfont-gm";

// `file`: the output, or the stem, that the failure concerns.
std::string describeRenderFailure(const RenderResult& rendered, const std::string& file) {
    switch (rendered.result) {
        case resultNoSoundFont:
            return noSoundFontText;
        case resultBadSoundFont:
            return "can't load SoundFont " + rendered.soundFont + ": FluidSynth can't read it";
        case resultCantWrite:
            return describeFileFailure(rendered.file, file, "write");
        default:
            return "can't render " + file + ": FluidSynth could not be set up";
    }
}

int renderFile(const PlaybackModule& playback, const MidiFileImage& midi,
               const std::string& output, RenderOptions& options) {
    SafeFile audio;
    if (const FileResult opened = audio.open(outputPath(output)); !opened.ok()) {
        if (stopRequested) return exitInterrupted;
        return fail(describeFileFailure(opened, shownName(output), "write"));
    }
    // Audio for a device, a pipe or standard output is made in the temporary folder first.
    if (audio.direct() && !usableTemporaryFolder()) return exitFailure;

    RenderResult rendered;
    {
        cli::ProgressLine line("Rendering");
        options.progress = [&line](double fraction) { line.show(fraction); };
        rendered = playback.renderMidiToAudio(midi.bytes(), audio, options);
        if (rendered.ok()) line.finish();
    }
    if (rendered.stopped || stopRequested) return exitInterrupted;
    if (!rendered.ok()) return fail(describeRenderFailure(rendered, shownName(output)));
    reportWritten(output);
    return exitSuccess;
}

int renderStems(const PlaybackModule& playback, const MidiFileImage& midi,
                const std::string& folder, RenderOptions& options) {
    StemsResult stems;
    {
        cli::ProgressLine line("Rendering stems");
        options.progress = [&line](double fraction) { line.show(fraction); };
        stems = playback.renderMidiToStems(midi.bytes(), folder, options);
        if (stems.render.ok()) line.finish();
    }
    if (stems.render.stopped || stopRequested) return exitInterrupted;
    if (!stems.render.ok()) {
        const std::string file = stems.failedPath.empty() ? folder : stems.failedPath;
        return fail(describeRenderFailure(stems.render, file));
    }
    for (const std::string& file : stems.files) reportWritten(file);
    return exitSuccess;
}

int runRender(const cli::CommandLine& line) {
    const std::string& output = line.output;
    if (auto problem = outputProblem(output, line.setup, line.soundFont)) return fail(*problem);
    const PlaybackModule* playback = openPlayback();
    if (!playback) return exitFailure;
    if (auto problem = soundFontProblem(*playback, line.soundFont)) return fail(*problem);
    Session session;
    catchStopSignals();
    if (auto code = loadAndCompose(line.setup)) return *code;
    MidiFileImage midi;
    if (const FileResult built = composedMidiFile(midi); !built.ok())
        return fail(describeFileFailure(built, shownName(output), "write"));

    RenderOptions options;
    options.soundFont = line.soundFont;
    options.stop = &stopRequested;
    // --format wins; then a file's extension; a folder of stems and standard output get WAV.
    const bool named = !line.stems && output != standardOutputName;
    options.format = line.format.value_or(
        (named ? audioFormatForFileName(output) : std::nullopt).value_or(AudioFormat::Wav));
    return line.stems ? renderStems(*playback, midi, output, options)
                      : renderFile(*playback, midi, output, options);
}

int runPorts() {
    const PlaybackModule* playback = openPlayback();
    if (!playback) return exitFailure;
    const auto ports = playback->outputPorts({});
    if (ports.empty()) return fail("no output port: FluidSynth could not be set up");
    for (const OutputPort& port : ports)
        std::printf("%2d  %s%s\n", port.portNumber, port.name.c_str(),
                    port.isDefault ? "  (default)" : "");
    return exitSuccess;
}

std::string describePlayFailure(const PlaybackModule& playback, int result, int port,
                                const std::string& font, const std::string& connect) {
    const std::string portsHint = "'halcyone-cli ports' lists them";
    switch (result) {
        case resultNoSuchPort:
            return "there is no output port " + std::to_string(port) + "; " + portsHint;
        case resultNotInitialised:
            return "FluidSynth could not be set up";
        case resultNoSoundFont:
            return noSoundFontText;
        case resultBadSoundFont:
            return "can't load SoundFont " +
                   (font.empty() ? playback.findSoundFont(playback.standardSoundFontPaths()) : font) +
                   ": FluidSynth can't read it";
        case resultNoAudioOutput:
            return "the built-in synthesizer can't start the audio output: check that a sound "
                   "card is present and that a sound server (PipeWire, PulseAudio or JACK) is "
                   "running, or play on another port with --port (" + portsHint + ")";
        case resultPortUnavailable:
            return "output port " + std::to_string(port) +
                   " can't be opened: it may have been unplugged or closed; " + portsHint;
        case resultNotMidiFile:
            return "FluidSynth can't load the composed MIDI file";
        case resultCantConnect:
            return "can't connect the JACK MIDI port to " + connect +
                   ": there is no JACK MIDI input port of that name (jack_lsp -t lists the ports)";
        case resultNotConnectable:
            return "--connect needs the JACK MIDI port, and output port " + std::to_string(port) +
                   " is not it; " + portsHint;
        default:
            return "the music can't be played";
    }
}

int runPlay(const std::string& setup, int port, const std::string& font,
            const std::string& connect) {
    const PlaybackModule* playback = openPlayback();
    if (!playback) return exitFailure;
    if (auto problem = soundFontProblem(*playback, font)) return fail(*problem);
    Session session;
    catchStopSignals();
    if (auto code = loadAndCompose(setup)) return *code;
    const auto folder = usableTemporaryFolder();
    if (!folder) return exitFailure;
    TemporaryFile midi;
    if (const FileResult made = midi.create(*folder, ".mid"); !made.ok())
        return fail(describeFileFailure(made, "a temporary file in " + *folder, "create"));
    if (const FileResult written = writeMidiFileTo(midi.path()); !written.ok())
        return fail(describeFileFailure(written, "a temporary file in " + *folder, "write"));

    PlayOptions options;
    options.soundFont = font;
    options.connectTo = connect;
    options.started = [&setup, port, &connect] {
        if (port < 0)
            std::printf("Playing %s (Ctrl-C stops)\n", setup.c_str());
        else if (connect.empty())
            std::printf("Playing %s on port %d (Ctrl-C stops)\n", setup.c_str(), port);
        else
            std::printf("Playing %s on port %d into %s (Ctrl-C stops)\n", setup.c_str(), port,
                        connect.c_str());
        std::fflush(stdout);
    };
    const int result = playback->playMidiFile(midi.path(), port, stopRequested, options);
    if (result != resultOk)
        return fail(describePlayFailure(*playback, result, port, font, connect));
    return exitSuccess;  // at the end of the piece, or stopped by Ctrl-C as the user asked
}

int runPreview(const std::string& setup, const std::string& output, int channel) {
    if (auto problem = outputProblem(output, setup)) return fail(*problem);
    Session session;
    catchStopSignals();
    if (auto error = Session::load(setup)) return fail(*error);
    Session::selectChannel(channel);
    if (stopRequested) return exitInterrupted;
    const FileResult written = cli::writePreviewPng(outputPath(output), appState.previewBitmap);
    if (!written.ok() && stopRequested) return exitInterrupted;
    if (!written.ok()) return fail(describeFileFailure(written, shownName(output), "write"));
    reportWritten(output);
    return exitSuccess;
}

int runPalette(const std::string& setup, int channel) {
    Session session;
    if (auto error = Session::load(setup)) return fail(*error);
    Session::selectChannel(channel);
    refreshPalette();
    for (std::size_t k = 0; k < appState.palette.size(); ++k) {
        const Colour c = appState.palette[k];
        std::printf("%2zu  #%02X%02X%02X  red %3d green %3d blue %3d\n", k + 1, redOf(c),
                    greenOf(c), blueOf(c), redOf(c), greenOf(c), blueOf(c));
    }
    return exitSuccess;
}

int run(const cli::CommandLine& line) {
    switch (line.subcommand) {
        case cli::Subcommand::Compose: return runCompose(line.setup, line.output, line.tracks);
        case cli::Subcommand::Render: return runRender(line);
        case cli::Subcommand::Play:
            return runPlay(line.setup, line.port, line.soundFont, line.connect);
        case cli::Subcommand::Ports: return runPorts();
        case cli::Subcommand::Preview: return runPreview(line.setup, line.output, line.channel);
        case cli::Subcommand::Palette: return runPalette(line.setup, line.channel);
    }
    return exitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    if (const std::string notice = escapeIsaNotice(); !notice.empty()) say(notice);
    const auto read = cli::readCommandLine(argc, argv);
    if (const int* code = std::get_if<int>(&read)) return *code;
    const int code = run(std::get<cli::CommandLine>(read));
    if (code == exitInterrupted && stopSignal != 0) {
        std::fflush(stdout);
        std::raise(stopSignal);  // the handler is reset: this ends the process
        return 128 + stopSignal;
    }
    return code;
}
