#include "playback/MidiFileCheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "files/ByteReader.h"
#include "files/MidiStatus.h"
#include "playback/MusicResult.h"

namespace halcyone {

namespace {

using namespace midi;

constexpr std::uint32_t headerLength = 6;
constexpr int maxFormat = 2;
constexpr std::uint8_t sysExStart = 0xF0;
constexpr std::uint8_t sysExContinue = 0xF7;

// Reads the track's length and first program changes into `facts`, showing each event to
// `visit` when there is one; false when its events don't parse.
bool readTrack(std::span<const std::uint8_t> track, int trackNumber, MidiFileFacts& facts,
               const MidiEventVisitor& visit) {
    ByteReader reader(track);
    std::uint8_t running = 0;
    std::uint64_t ticks = 0;
    while (reader.remaining() > 0) {
        const auto delta = reader.varLen();
        std::uint8_t status = reader.byte();
        if (!delta || reader.ranOut()) return false;
        ticks += *delta;
        if (ticks > maxMidiFileTicks) return false;
        if ((status & statusBit) == 0) {
            if (running == 0) return false;
            reader.unread();
            status = running;
        }
        if (status < sysExStart) {
            running = status;
            const auto data = reader.take(static_cast<std::size_t>(channelDataBytes(status)));
            if (reader.ranOut()) return false;
            for (const std::uint8_t b : data)
                if ((b & statusBit) != 0) return false;
            int& program = facts.firstProgram[status & 0x0F];
            if ((status & kindMask) == programChange && program < 0) program = data.back();
            if (visit) visit(trackNumber, {static_cast<std::uint32_t>(ticks), status, 0, data});
            continue;
        }
        // System exclusive and meta events cancel running status.
        running = 0;
        std::uint8_t metaType = 0;
        if (status == metaEvent) {
            metaType = reader.byte();
            if (reader.ranOut() || (metaType & statusBit) != 0) return false;
        } else if (status != sysExStart && status != sysExContinue) {
            return false;  // real-time and common messages have no place in a file
        }
        const auto length = reader.varLen();
        if (!length) return false;
        const auto data = reader.take(*length);
        if (reader.ranOut()) return false;
        if (visit) visit(trackNumber, {static_cast<std::uint32_t>(ticks), status, metaType, data});
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

std::optional<MidiFileFacts> inspectMidiFile(std::span<const std::uint8_t> bytes,
                                             const MidiEventVisitor& visit) {
    ByteReader file(bytes);
    const auto magic = file.take(4);
    const std::uint32_t length = file.bigEndian(4);
    MidiFileFacts facts;
    facts.format = static_cast<int>(file.bigEndian(2));
    facts.tracks = static_cast<int>(file.bigEndian(2));
    facts.division = static_cast<int>(file.bigEndian(2));
    if (file.ranOut() || !std::equal(magic.begin(), magic.end(), "MThd")) return std::nullopt;
    if (length != headerLength || facts.format > maxFormat) return std::nullopt;
    if (facts.tracks < 1 || facts.tracks > maxMidiFileTracks) return std::nullopt;
    if (facts.division == 0 || (facts.division & 0x8000) != 0) return std::nullopt;

    int tracksFound = 0;
    while (tracksFound < facts.tracks) {
        const auto id = file.take(4);
        const auto chunk = file.take(file.bigEndian(4));
        if (file.ranOut() || !isAsciiChunkId(id)) return std::nullopt;
        if (std::equal(id.begin(), id.end(), "MTrk")) {
            if (!readTrack(chunk, tracksFound, facts, visit)) return std::nullopt;
            ++tracksFound;
        }
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
