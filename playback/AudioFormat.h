// The kinds of audio file the renderer writes, and how a file name or a word names one. Header
// only, so that the command-line tool chooses the format before it opens the playback module.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace halcyone {

// All three hold 16-bit stereo; FLAC is lossless, Ogg Vorbis is not.
enum class AudioFormat { Wav, Flac, Ogg };

struct AudioFormatNames {
    AudioFormat format;
    std::string_view extension;  // without the dot; also the word that names it ("--format")
    std::string_view title;      // for people: "WAV", "FLAC", "Ogg Vorbis"
};

inline constexpr std::array<AudioFormatNames, 3> audioFormats{{
    {AudioFormat::Wav, "wav", "WAV"},
    {AudioFormat::Flac, "flac", "FLAC"},
    {AudioFormat::Ogg, "ogg", "Ogg Vorbis"},
}};

constexpr const AudioFormatNames& namesOf(AudioFormat format) {
    return *std::find_if(audioFormats.begin(), audioFormats.end(),
                         [format](const AudioFormatNames& n) { return n.format == format; });
}

constexpr std::string_view audioFormatExtension(AudioFormat format) {
    return namesOf(format).extension;
}

namespace detail {
constexpr bool sameLetters(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}
}  // namespace detail

// "wav", "flac" or "ogg" in any case.
constexpr std::optional<AudioFormat> audioFormatNamed(std::string_view word) {
    for (const AudioFormatNames& n : audioFormats)
        if (detail::sameLetters(word, n.extension)) return n.format;
    return std::nullopt;
}

// The format a file name asks for by its extension: .wav, .flac, .ogg or .oga, in any case.
// Nothing for another extension or none.
constexpr std::optional<AudioFormat> audioFormatForFileName(std::string_view path) {
    const std::string_view name = path.substr(path.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    const std::string_view extension = name.substr(dot + 1);
    if (detail::sameLetters(extension, "oga")) return AudioFormat::Ogg;
    return audioFormatNamed(extension);
}

}  // namespace halcyone
