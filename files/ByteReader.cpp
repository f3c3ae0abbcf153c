#include "files/ByteReader.h"

namespace halcyone {

std::uint8_t ByteReader::byte() {
    if (remaining() == 0) {
        ranOut_ = true;
        return 0;
    }
    return bytes_[at_++];
}

std::uint32_t ByteReader::bigEndian(int count) {
    std::uint32_t value = 0;
    for (int k = 0; k < count; ++k) value = (value << 8) | byte();
    return value;
}

std::uint64_t ByteReader::littleEndian(int count) {
    std::uint64_t value = 0;
    for (int k = 0; k < count; ++k) value |= static_cast<std::uint64_t>(byte()) << (8 * k);
    return value;
}

std::optional<std::uint32_t> ByteReader::varLen() {
    constexpr int maxBytes = 4;
    std::uint32_t value = 0;
    for (int k = 0; k < maxBytes; ++k) {
        const std::uint8_t b = byte();
        if (ranOut_) return std::nullopt;
        value = (value << 7) | (b & 0x7Fu);
        if ((b & 0x80) == 0) return value;
    }
    return std::nullopt;
}

std::span<const std::uint8_t> ByteReader::take(std::size_t count) {
    if (count > remaining()) {
        ranOut_ = true;
        at_ = bytes_.size();
        return {};
    }
    const auto taken = bytes_.subspan(at_, count);
    at_ += count;
    return taken;
}

}  // namespace halcyone
