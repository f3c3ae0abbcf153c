#include "cli/PlaybackLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace halcyone::cli {

namespace fs = std::filesystem;

namespace {

// dlerror's text without the path it starts with when the message names that path already.
std::string why(const std::string& path) {
    const char* text = dlerror();
    std::string reason = text ? text : "unknown error";
    if (reason.starts_with(path + ": ")) reason.erase(0, path.size() + 2);
    return reason;
}

}  // namespace

std::vector<std::string> playbackModuleCandidates(const std::string& executable,
                                                  const std::string& installedDir) {
    const fs::path folder = fs::path(executable).parent_path();
    return {(folder / playbackModuleFile).string(),
            (folder / installedDir / playbackModuleFile).lexically_normal().string()};
}

LoadedPlayback loadPlaybackModule(const std::vector<std::string>& candidates,
                                  const std::string& version) {
    LoadedPlayback loaded;
    if (candidates.empty()) return loaded;
    std::string path = candidates.back();
    for (const std::string& candidate : candidates) {
        std::error_code error;
        if (fs::exists(candidate, error)) {
            path = candidate;
            break;
        }
    }
    const std::string failure = "can't load the playback module " + path + ": ";
    // Never closed: FluidSynth and GLib don't expect to be unloaded.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        loaded.error = failure + why(path);
        return loaded;
    }
    using Entry = const PlaybackModule* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, playbackModuleEntry));
    if (!entry) {
        loaded.error = failure + why(path);
        return loaded;
    }
    const PlaybackModule* module = entry();
    if (!module || !module->version || version != module->version) {
        loaded.error = failure + "it belongs to version " +
                       (module && module->version ? module->version : "unknown") +
                       ", not " + version;
        return loaded;
    }
    loaded.module = module;
    return loaded;
}

const LoadedPlayback& playbackModule() {
    static const LoadedPlayback loaded = [] {
        std::error_code error;
        const fs::path executable = fs::read_symlink("/proc/self/exe", error);
        if (error) {
            LoadedPlayback unknown;
            unknown.error = std::string("can't load the playback module ") + playbackModuleFile +
                            ": /proc/self/exe can't be read (" + error.message() + ")";
            return unknown;
        }
        return loadPlaybackModule(
            playbackModuleCandidates(executable.string(), HALCYONE_PLAYBACK_MODULE_DIR),
            HALCYONE_VERSION);
    }();
    return loaded;
}

}  // namespace halcyone::cli
