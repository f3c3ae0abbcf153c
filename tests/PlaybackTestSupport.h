// Helpers for the playback tests: a small Standard MIDI File built from notes, and a reader
// for the 16-bit WAV files the renderer writes. Folders and whole files: FilesTestSupport.h.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FilesTestSupport.h"

namespace halcyone::playbacktest {

constexpr int testDivision = 192;

struct TestNote {
    int channel;
    int program;  // ignored on channel 10 (index 9), the drums
    int key;
    int startBeat;
    int beats;
};

// Format 0, division 192, the tempo at tick 0, a program change per channel, then the notes;
// the track ends at `endBeat`.
inline std::vector<std::uint8_t> buildMidiFile(int bpm, const std::vector<TestNote>& notes,
                                               int endBeat) {
    struct Event {
        std::uint32_t tick;
        int order;  // programs, then note-offs, then note-ons at the same tick
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Event> events;
    const std::uint32_t tempo = 60000000u / static_cast<std::uint32_t>(bpm);
    events.push_back({0, 0, {0xFF, 0x51, 0x03, std::uint8_t(tempo >> 16), std::uint8_t(tempo >> 8),
                             std::uint8_t(tempo)}});
    for (const TestNote& n : notes) {
        const auto ch = static_cast<std::uint8_t>(n.channel);
        const auto start = static_cast<std::uint32_t>(n.startBeat * testDivision);
        const auto end = static_cast<std::uint32_t>((n.startBeat + n.beats) * testDivision);
        if (n.channel != 9) events.push_back({0, 0, {std::uint8_t(0xC0 | ch), std::uint8_t(n.program)}});
        events.push_back({start, 2, {std::uint8_t(0x90 | ch), std::uint8_t(n.key), 100}});
        events.push_back({end, 1, {std::uint8_t(0x80 | ch), std::uint8_t(n.key), 0}});
    }
    events.push_back({static_cast<std::uint32_t>(endBeat * testDivision), 3, {0xFF, 0x2F, 0x00}});
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    std::vector<std::uint8_t> track;
    std::uint32_t now = 0;
    for (const Event& e : events) {
        std::uint32_t delta = e.tick - now;
        now = e.tick;
        std::vector<std::uint8_t> varLen{std::uint8_t(delta & 0x7F)};
        while ((delta >>= 7) != 0) varLen.insert(varLen.begin(), std::uint8_t(0x80 | (delta & 0x7F)));
        track.insert(track.end(), varLen.begin(), varLen.end());
        track.insert(track.end(), e.bytes.begin(), e.bytes.end());
    }
    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
                                   std::uint8_t(testDivision >> 8), std::uint8_t(testDivision)};
    const auto length = static_cast<std::uint32_t>(track.size());
    const std::uint8_t chunkHeader[] = {'M', 'T', 'r', 'k', std::uint8_t(length >> 24),
                                        std::uint8_t(length >> 16), std::uint8_t(length >> 8),
                                        std::uint8_t(length)};
    file.reserve(file.size() + sizeof chunkHeader + track.size());
    for (const std::uint8_t b : chunkHeader) file.push_back(b);
    for (const std::uint8_t b : track) file.push_back(b);
    return file;
}

struct WavAudio {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<std::int16_t> samples;  // interleaved

    double seconds() const {
        return channels > 0 && sampleRate > 0
                   ? static_cast<double>(samples.size()) / channels / sampleRate
                   : 0.0;
    }
};

// Reads a RIFF/WAVE file of 16-bit PCM; channels stays 0 when the file is not one.
inline WavAudio readWav(const std::string& path) {
    const std::vector<std::uint8_t> bytes = testing::readAll(path);
    const auto le = [&bytes](std::size_t at, int count) {
        std::uint32_t v = 0;
        for (int i = count - 1; i >= 0; --i) v = (v << 8) | bytes[at + static_cast<std::size_t>(i)];
        return v;
    };
    WavAudio wav;
    if (bytes.size() < 12 || !std::equal(bytes.begin(), bytes.begin() + 4, "RIFF") ||
        !std::equal(bytes.begin() + 8, bytes.begin() + 12, "WAVE")) {
        return wav;
    }
    WavAudio parsed;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t size = le(at + 4, 4);
        const std::size_t body = at + 8;
        if (size > bytes.size() - body) break;
        if (std::equal(bytes.begin() + long(at), bytes.begin() + long(at) + 4, "fmt ") && size >= 16) {
            if (le(body, 2) != 1) return wav;  // PCM only
            parsed.channels = static_cast<int>(le(body + 2, 2));
            parsed.sampleRate = static_cast<int>(le(body + 4, 4));
            parsed.bitsPerSample = static_cast<int>(le(body + 14, 2));
        } else if (std::equal(bytes.begin() + long(at), bytes.begin() + long(at) + 4, "data")) {
            for (std::size_t i = body; i + 1 < body + size; i += 2) {
                parsed.samples.push_back(static_cast<std::int16_t>(le(i, 2)));
            }
        }
        at = body + size + (size & 1);
    }
    return parsed.bitsPerSample == 16 ? parsed : wav;
}

}  // namespace halcyone::playbacktest
