// Appends bytes to a buffer of fixed size: what the MIDI file writers fill.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace halcyone {

// Refuses to go past the buffer's end and remembers that it had to, but goes on counting, so
// that a run over an empty buffer measures what a file needs.
class ByteSink {
public:
    explicit ByteSink(std::span<std::uint8_t> out) : out_(out) {}

    void put(std::initializer_list<std::uint8_t> bytes) { put(std::span(bytes.begin(), bytes.size())); }
    void put(std::span<const std::uint8_t> bytes) {
        if (!overflowed_ && bytes.size() <= out_.size() - size_)
            std::copy(bytes.begin(), bytes.end(), out_.begin() + static_cast<std::ptrdiff_t>(size_));
        else
            overflowed_ = true;
        size_ += bytes.size();
    }
    // A variable-length quantity: seven bits a byte, the most significant first.
    void putVarLen(std::uint32_t value) {
        std::uint8_t bytes[5];
        std::size_t count = 0;
        do {
            bytes[count++] = static_cast<std::uint8_t>(value & 0x7F);
            value >>= 7;
        } while (value != 0);
        for (std::size_t k = count; k > 0; --k)
            put({static_cast<std::uint8_t>(bytes[k - 1] | (k > 1 ? 0x80 : 0))});
    }
    // Overwrites four bytes already put; nothing once the buffer has overflowed.
    void putBigEndian32(std::size_t at, std::uint32_t value) {
        if (overflowed_ || at + 4 > size_) return;
        for (int k = 0; k < 4; ++k) out_[at + k] = static_cast<std::uint8_t>(value >> (24 - 8 * k));
    }

    // Bytes put so far, those that did not fit included.
    std::size_t size() const { return size_; }
    bool overflowed() const { return overflowed_; }

private:
    std::span<std::uint8_t> out_;
    std::size_t size_ = 0;
    bool overflowed_ = false;
};

}  // namespace halcyone
