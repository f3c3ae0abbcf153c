// Reads the bytes of a file kept in memory, front to back: the preferences file, the MIDI files
// playback checks, and the one-track file that is split into a track per channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace halcyone {

// Past the end it yields zeros and empty spans and remembers that it ran out, so that a parser
// may read a whole field and check once. Views the bytes; does not own them.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t remaining() const { return bytes_.size() - at_; }
    // A read went past the end.
    bool ranOut() const { return ranOut_; }

    std::uint8_t byte();
    // `count` bytes (at most 4), the most significant first.
    std::uint32_t bigEndian(int count);
    // `count` bytes (at most 8), the least significant first.
    std::uint64_t littleEndian(int count);
    // A MIDI variable-length quantity of at most four bytes: seven bits a byte, the most
    // significant first. Nothing when it is longer or cut short.
    std::optional<std::uint32_t> varLen();
    // The next `count` bytes.
    std::span<const std::uint8_t> take(std::size_t count);
    void skip(std::size_t count) { take(count); }
    // Steps back over the byte just read.
    void unread() { --at_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool ranOut_ = false;
};

}  // namespace halcyone
