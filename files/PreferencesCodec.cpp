#include "files/PreferencesCodec.h"

#include <bit>
#include <optional>

#include "compose/ControlTexts.h"
#include "compose/NotePools.h"
#include "files/ByteReader.h"
#include "compose/Limits.h"

namespace halcyone {

namespace {

// A channel block starts with a line break and the channel's digit; readers skip them.
constexpr std::uint8_t carriageReturn = 0x0D;
constexpr std::uint8_t lineFeed = 0x0A;
constexpr std::size_t blockMarkSize = 3;

// Packed bytes: parameter = enabled x 120 + slide speed; note length byte = all notes x 80 +
// cycle scale x 20 + note length. Every field stays below the next mark, so nothing is lost.
constexpr int parameterEnabledMark = 120;
constexpr int allNotesMark = 80;
constexpr int cycleScaleMark = 20;
constexpr int keysPerByte = 8;

constexpr const char* problemPrefix = "Bad preferences file: ";

int flag(std::int32_t value) { return value != 0 ? 1 : 0; }

class ByteWriter {
public:
    explicit ByteWriter(PreferencesBytes& out) : out_(out) {}

    void byte(std::int32_t value) { out_[at_++] = static_cast<std::uint8_t>(value); }
    void bigEndian16(std::int32_t value) {
        byte(value >> 8);
        byte(value);
    }
    void colour(Colour c) {
        byte(blueOf(c));
        byte(greenOf(c));
        byte(redOf(c));
    }
    void view(const ViewRect& v) {
        for (double d : {v.X1, v.X2, v.Y1, v.Y2}) {
            const auto bits = std::bit_cast<std::uint64_t>(d);
            for (int k = 0; k < 8; ++k) byte(static_cast<std::int32_t>((bits >> (8 * k)) & 0xFF));
        }
    }

private:
    PreferencesBytes& out_;
    std::size_t at_ = 0;
};

Colour readColour(ByteReader& in) {
    const int blue = in.byte();
    const int green = in.byte();
    return makeColour(in.byte(), green, blue);
}

double readNumber(ByteReader& in) { return std::bit_cast<double>(in.littleEndian(8)); }

ViewRect readView(ByteReader& in) {
    ViewRect v;
    v.X1 = readNumber(in);
    v.X2 = readNumber(in);
    v.Y1 = readNumber(in);
    v.Y2 = readNumber(in);
    return v;
}

std::string channelName(int k) { return "channel " + std::to_string(k + 1) + " "; }

// The problem with `value` when it lies outside lo..hi.
std::optional<std::string> outside(const std::string& what, int value, int lo, int hi) {
    if (value >= lo && value <= hi) return {};
    return what + " is " + std::to_string(value) + ", not in " + std::to_string(lo) + ".." +
           std::to_string(hi);
}

void encodeChannel(ByteWriter& out, int k, const ChannelPreferences& c) {
    out.byte(carriageReturn);
    out.byte(lineFeed);
    out.byte('1' + k);
    out.byte(c.instrument);
    out.byte(c.mode);
    out.colour(c.colour);
    for (int p = 0; p < midiParameterCount; ++p)
        out.byte(flag(c.paramEnabled[p]) * parameterEnabledMark + c.slideSpeed[p]);
    out.byte(flag(c.allNotes) * allNotesMark + flag(c.cycleScale) * cycleScaleMark + c.noteLength);
    out.byte(c.lowNote);
    out.byte(c.highNote);
    out.byte(c.scaleIndex);
    out.view(c.view);
    // Eight notes to a byte, the lowest in the most significant bit.
    for (int j = 0; j < midiNoteCount / keysPerByte; ++j) {
        int packed = 0;
        for (int b = 0; b < keysPerByte; ++b)
            packed |= flag(c.keys[j * keysPerByte + b]) << (keysPerByte - 1 - b);
        out.byte(packed);
    }
}

std::optional<std::string> decodeChannel(ByteReader& in, int k, ChannelPreferences& c) {
    const std::string name = channelName(k);
    in.skip(blockMarkSize);
    c.instrument = in.byte();
    c.mode = in.byte();
    c.colour = readColour(in);
    for (int p = 0; p < midiParameterCount; ++p) {
        const int v = in.byte();
        c.paramEnabled[p] = v >= parameterEnabledMark ? 1 : 0;
        c.slideSpeed[p] = v - c.paramEnabled[p] * parameterEnabledMark;
    }
    int packed = in.byte();
    c.allNotes = packed >= allNotesMark ? 1 : 0;
    packed -= c.allNotes * allNotesMark;
    c.cycleScale = packed >= cycleScaleMark ? 1 : 0;
    c.noteLength = packed - c.cycleScale * cycleScaleMark;
    c.lowNote = in.byte();
    c.highNote = in.byte();
    c.scaleIndex = in.byte();
    c.view = readView(in);
    for (int j = 0; j < midiNoteCount / keysPerByte; ++j) {
        const int byte = in.byte();
        for (int b = 0; b < keysPerByte; ++b)
            c.keys[j * keysPerByte + b] =
                static_cast<std::uint8_t>((byte >> (keysPerByte - 1 - b)) & 1);
    }

    if (auto p = outside(name + "instrument", c.instrument, 0, maxInstrument)) return p;
    if (auto p = outside(name + "mode", c.mode, 0, modeCount - 1)) return p;
    for (int p = 0; p < midiParameterCount; ++p)
        if (auto problem = outside(name + std::string(parameterNames[p]) + " slide speed", c.slideSpeed[p],
                                   slideSpeedMin, slideSpeedMax))
            return problem;
    if (auto p = outside(name + "note length", c.noteLength, 0, noteLengthCount - 1)) return p;
    if (auto p = outside(name + "low note", c.lowNote, 0, maxRangeNote)) return p;
    if (auto p = outside(name + "high note", c.highNote, 0, maxRangeNote)) return p;
    if (c.lowNote > c.highNote)
        return name + "low note " + std::to_string(c.lowNote) + " is above high note " +
               std::to_string(c.highNote);
    if (auto p = outside(name + "scale", c.scaleIndex, 0, scaleCount - 1)) return p;
    return {};
}

}  // namespace

PreferencesBytes encodePreferences(const Preferences& preferences) {
    PreferencesBytes bytes{};
    ByteWriter out(bytes);
    out.byte(flag(preferences.differentSet));
    out.bigEndian16(preferences.barNumber);
    out.bigEndian16(preferences.tempo);
    out.colour(preferences.startColour);
    out.view(preferences.sharedView);
    for (int k = 0; k < channelCount; ++k) encodeChannel(out, k, preferences.channels[k]);
    return bytes;
}

DecodedPreferences decodePreferences(std::span<const std::uint8_t> bytes) {
    DecodedPreferences result;
    if (bytes.size() < preferencesSize) {
        result.problem = problemPrefix + std::to_string(bytes.size()) + " bytes long, " +
                         std::to_string(preferencesSize) + " expected";
        return result;
    }
    ByteReader in(bytes.first(preferencesSize));
    Preferences& p = result.preferences;
    p.differentSet = in.byte() != 0 ? 1 : 0;
    p.barNumber = static_cast<int>(in.bigEndian(2));
    p.tempo = static_cast<int>(in.bigEndian(2));
    p.startColour = readColour(in);
    p.sharedView = readView(in);

    std::optional<std::string> problem = outside("bar count", p.barNumber, barNumberMin,
                                                 barNumberMax);
    if (!problem) problem = outside("tempo", p.tempo, tempoMin, tempoMax);
    for (int k = 0; k < channelCount && !problem; ++k)
        problem = decodeChannel(in, k, p.channels[k]);
    if (problem) result.problem = problemPrefix + *problem;
    return result;
}

}  // namespace halcyone
