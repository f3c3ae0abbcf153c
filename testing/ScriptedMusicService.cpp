#include "testing/ScriptedMusicService.h"

#include <utility>

namespace halcyone {

ScriptedMusicService::ScriptedMusicService(std::shared_ptr<Script> script)
    : script_(std::move(script)) {
    script_->calls.push_back("create");
    ++script_->alive;
}

ScriptedMusicService::~ScriptedMusicService() {
    script_->calls.push_back("destroy");
    --script_->alive;
}

MusicServiceFactory ScriptedMusicService::factory(std::shared_ptr<Script> script) {
    return [script]() -> std::unique_ptr<MusicService> {
        if (script->initialiseFails) return nullptr;
        return std::make_unique<ScriptedMusicService>(script);
    };
}

int ScriptedMusicService::enumeratePort(int number, PortDescription& out) {
    script_->calls.push_back("enumerate " + std::to_string(number));
    if (number == script_->failEnumerationAt) return resultFailed;
    if (number < 0 || static_cast<std::size_t>(number) >= script_->ports.size()) {
        return resultNoSuchPort;
    }
    out = script_->ports[static_cast<std::size_t>(number)];
    return resultOk;
}

int ScriptedMusicService::openPort(const PortId& id) {
    script_->calls.push_back("open " + std::to_string(id.port));
    return script_->openResult;
}

void ScriptedMusicService::closePort() { script_->calls.push_back("close"); }

int ScriptedMusicService::loadMidiFile(const std::string& path) {
    script_->calls.push_back("load " + path);
    return path.empty() ? resultNotMidiFile : script_->loadResult;
}

void ScriptedMusicService::unloadMidiFile() { script_->calls.push_back("unload"); }

int ScriptedMusicService::playFromStart() {
    script_->calls.push_back("play");
    if (succeeded(script_->playResult)) pollsLeft_ = script_->playingPolls;
    return script_->playResult;
}

int ScriptedMusicService::stopAll() {
    script_->calls.push_back("stop");
    pollsLeft_ = 0;
    return resultOk;
}

bool ScriptedMusicService::isPlaying() const {
    if (pollsLeft_ <= 0) return false;
    --pollsLeft_;
    return true;
}

PortDescription scriptedOutputPort(const std::string& name, int number, bool synth) {
    PortDescription port;
    port.description = name;
    port.portClass = portClassOutput;
    port.flags = synth ? portFlagSoftwareSynth : portFlagExternal;
    port.type = synth ? portTypeSoftwareSynth : portTypeExternal;
    port.id = PortId{0, 0, number};
    return port;
}

PortDescription scriptedInputPort(const std::string& name, int number) {
    PortDescription port = scriptedOutputPort(name, number);
    port.portClass = portClassInput;
    return port;
}

}  // namespace halcyone
