#include "playback/Player.h"

#include <utility>

#include "playback/FluidMusicService.h"

namespace halcyone {

Player::Player(MusicServiceFactory factory) : factory_(std::move(factory)) {
    if (!factory_) factory_ = [] { return makeFluidMusicService(); };
}

Player::~Player() { teardown(); }

int Player::initialise() {
    if (service_) return resultOk;
    service_ = factory_();
    return service_ ? resultOk : resultNotInitialised;
}

int Player::enumeratePort(int number, PortInfo& out) {
    if (!service_) return resultNotInitialised;
    if (number < 0) return resultFailed;
    PortDescription description;
    const int result = service_->enumeratePort(number, description);
    if (result == resultOk) out = makePortInfo(description);
    return result;
}

int Player::createPort(const PortInfo& info) {
    if (!service_) return resultNotInitialised;
    const int result = service_->openPort(info.id);
    if (succeeded(result)) portOpen_ = true;
    return result;
}

int Player::connect(const std::string& destination) {
    if (!service_) return resultNotInitialised;
    if (!portOpen_) return resultNoPort;
    return service_->connectPort(destination);
}

int Player::loadSegment(const std::string& path, bool standardMidi) {
    if (!service_) return resultNotInitialised;
    if (segmentLoaded_) {
        service_->unloadMidiFile();
        segmentLoaded_ = false;
    }
    if (!standardMidi) return resultNotMidiFile;
    const int result = service_->loadMidiFile(path);
    segmentLoaded_ = succeeded(result);
    return result;
}

int Player::play() {
    if (!service_) return resultNotInitialised;
    if (!segmentLoaded_) return resultNothingLoaded;
    return service_->playFromStart();
}

int Player::stop() {
    if (!service_) return resultNotInitialised;
    return service_->stopAll();
}

void Player::teardown() {
    if (!service_) return;
    if (segmentLoaded_) service_->unloadMidiFile();
    segmentLoaded_ = false;
    if (portOpen_) service_->closePort();
    portOpen_ = false;
    service_.reset();
}

bool Player::isPlaying() const { return service_ && service_->isPlaying(); }

}  // namespace halcyone
