// What the program keeps about one port of the music service: the record the "Midi device"
// list refers to and the port a Player opens.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace halcyone {

// Port classes: only output ports are offered for playback.
constexpr std::uint32_t portClassInput = 0;
constexpr std::uint32_t portClassOutput = 1;

// Port flags.
constexpr std::uint32_t portFlagExternal = 0x2;       // a device or program outside this process
constexpr std::uint32_t portFlagSoftwareSynth = 0x4;  // the first such output port is the default

// Port types.
constexpr std::uint32_t portTypeExternal = 0;
constexpr std::uint32_t portTypeSoftwareSynth = 1;

constexpr std::size_t portNameBytes = 256;  // terminator included
constexpr std::size_t portTableSize = 30;   // port numbers 0..29 are looked at, no more

// Identifies a port to the service that listed it; its meaning belongs to that service.
struct PortId {
    std::uint32_t kind = 0;
    std::int32_t client = 0;
    std::int32_t port = 0;

    bool operator==(const PortId&) const = default;
};

// What a service tells of a port besides its name; only flags, class and id are used.
struct PortCaps {
    std::uint32_t flags = 0;
    std::uint32_t portClass = portClassInput;
    std::uint32_t type = portTypeExternal;
    std::uint32_t maxAudioChannels = 0;
    std::uint32_t maxVoices = 0;
    std::uint32_t maxChannelGroups = 0;
    std::uint32_t effectFlags = 0;
    PortId id;
};

// A port as the service describes it.
struct PortDescription : PortCaps {
    std::string description;
};

// The fixed-size record of the port table that each "Midi device" entry stands for.
struct PortInfo : PortCaps {
    std::array<char, portNameBytes> name{};  // UTF-8, zero-terminated, cut at a character

    std::string_view displayName() const { return name.data(); }
    bool isOutput() const { return portClass == portClassOutput; }
    bool isSoftwareSynth() const { return (flags & portFlagSoftwareSynth) != 0; }
};

// The record for `description`; a name longer than the record holds is cut before the
// character that does not fit, never inside it.
PortInfo makePortInfo(const PortDescription& description);

}  // namespace halcyone
