#include "playback/MidiFileCheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "files/MidiStatus.h"
#include "playback/MusicResult.h"

namespace halcyone {

namespace {

using namespace midi;

constexpr std::size_t headerBytes = 14;
constexpr std::size_t chunkHeaderBytes = 8;
constexpr std::uint32_t headerLength = 6;
constexpr int maxFormat = 2;
constexpr int maxVarLenBytes = 4;
constexpr std::uint8_t sysExStart = 0xF0;
constexpr std::uint8_t sysExContinue = 0xF7;
constexpr std::uint8_t metaEvent = 0xFF;
constexpr std::uint8_t metaEndOfTrack = 0x2F;

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t remaining() const { return bytes_.size() - pos_; }

    bool byte(std::uint8_t& out) {
        if (remaining() == 0) return false;
        out = bytes_[pos_++];
        return true;
    }

    bool varLen(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < maxVarLenBytes; ++i) {
            std::uint8_t b = 0;
            if (!byte(b)) return false;
            out = (out << 7) | (b & 0x7Fu);
            if ((b & statusBit) == 0) return true;
        }
        return false;
    }

    bool skip(std::uint32_t count) {
        if (count > remaining()) return false;
        pos_ += count;
        return true;
    }

    void unread() { --pos_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

int channelDataBytes(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == programChange || kind == channelPressure ? 1 : 2;
}

// Reads the track's length and first program changes into `facts`; false when its events
// don't parse.
bool readTrack(std::span<const std::uint8_t> track, MidiFileFacts& facts) {
    ByteReader reader(track);
    std::uint8_t running = 0;
    std::uint64_t ticks = 0;
    while (reader.remaining() > 0) {
        std::uint32_t delta = 0;
        std::uint8_t status = 0;
        if (!reader.varLen(delta) || !reader.byte(status)) return false;
        ticks += delta;
        if (ticks > maxMidiFileTicks) return false;
        if ((status & statusBit) == 0) {
            if (running == 0) return false;
            reader.unread();
            status = running;
        }
        if (status < sysExStart) {
            running = status;
            std::uint8_t data = 0;
            for (int i = channelDataBytes(status); i > 0; --i) {
                if (!reader.byte(data) || (data & statusBit) != 0) return false;
            }
            int& program = facts.firstProgram[status & 0x0F];
            if ((status & kindMask) == programChange && program < 0) program = data;
            continue;
        }
        // System exclusive and meta events cancel running status.
        running = 0;
        std::uint8_t metaType = 0;
        if (status == metaEvent) {
            if (!reader.byte(metaType) || (metaType & statusBit) != 0) return false;
        } else if (status != sysExStart && status != sysExContinue) {
            return false;  // real-time and common messages have no place in a file
        }
        std::uint32_t length = 0;
        if (!reader.varLen(length) || !reader.skip(length)) return false;
        if (status == metaEvent && metaType == metaEndOfTrack) break;
    }
    // The chunk's end also ends a track that has no end-of-track event.
    facts.lengthTicks = std::max(facts.lengthTicks, static_cast<std::uint32_t>(ticks));
    return true;
}

bool isAsciiChunkId(std::span<const std::uint8_t> id) {
    return std::all_of(id.begin(), id.end(), [](std::uint8_t c) { return c < statusBit; });
}

}  // namespace

std::optional<MidiFileFacts> inspectMidiFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < headerBytes) return std::nullopt;
    if (!std::equal(bytes.begin(), bytes.begin() + 4, "MThd")) return std::nullopt;
    const std::uint32_t length = bigEndian(bytes, 4, 4);
    MidiFileFacts facts;
    facts.format = static_cast<int>(bigEndian(bytes, 8, 2));
    facts.tracks = static_cast<int>(bigEndian(bytes, 10, 2));
    facts.division = static_cast<int>(bigEndian(bytes, 12, 2));
    if (length != headerLength || facts.format > maxFormat) return std::nullopt;
    if (facts.tracks < 1 || facts.tracks > maxMidiFileTracks) return std::nullopt;
    if (facts.division == 0 || (facts.division & 0x8000) != 0) return std::nullopt;

    std::size_t at = headerBytes;
    int tracksFound = 0;
    while (tracksFound < facts.tracks) {
        if (bytes.size() - at < chunkHeaderBytes) return std::nullopt;
        const auto id = bytes.subspan(at, 4);
        const std::uint32_t chunkLength = bigEndian(bytes, at + 4, 4);
        at += chunkHeaderBytes;
        if (!isAsciiChunkId(id) || chunkLength > bytes.size() - at) return std::nullopt;
        if (std::equal(id.begin(), id.end(), "MTrk")) {
            if (!readTrack(bytes.subspan(at, chunkLength), facts)) return std::nullopt;
            ++tracksFound;
        }
        at += chunkLength;
    }
    return facts;
}

int readMidiFile(const std::string& path, std::vector<std::uint8_t>& bytes, MidiFileFacts& facts) {
    bytes.clear();
    if (path.empty()) return resultNotMidiFile;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return resultNotMidiFile;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > maxMidiFileBytes) return resultNotMidiFile;

    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> contents(static_cast<std::size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(contents.data()),
                        static_cast<std::streamsize>(contents.size()))) {
        return resultNotMidiFile;
    }
    const auto inspected = inspectMidiFile(contents);
    if (!inspected) return resultNotMidiFile;
    bytes = std::move(contents);
    facts = *inspected;
    return resultOk;
}

}  // namespace halcyone
