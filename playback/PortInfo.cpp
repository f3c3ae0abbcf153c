#include "playback/PortInfo.h"

#include <algorithm>

namespace halcyone {

namespace {
bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

PortInfo makePortInfo(const PortDescription& description) {
    PortInfo info;
    const std::string& text = description.description;
    std::size_t length = std::min(text.size(), portNameBytes - 1);
    if (length < text.size()) {
        while (length > 0 && isContinuationByte(text[length])) --length;
    }
    std::copy_n(text.begin(), length, info.name.begin());
    static_cast<PortCaps&>(info) = description;
    return info;
}

}  // namespace halcyone
