// Result codes of the music service and the Player: 0 is success, 1 answers "no port with
// this number" when listing ports, negative values are failures.
#pragma once

#include <string>

namespace halcyone {

constexpr int resultOk = 0;
constexpr int resultNoSuchPort = 1;
constexpr int resultFailed = -1;
constexpr int resultNotInitialised = -2;
constexpr int resultNotMidiFile = -3;  // missing, unreadable or not a Standard MIDI File
constexpr int resultNoSoundFont = -4;
constexpr int resultBadSoundFont = -5;
constexpr int resultNoAudioOutput = -6;
constexpr int resultPortUnavailable = -7;
constexpr int resultNoPort = -8;  // playing needs an open port
constexpr int resultNothingLoaded = -9;
constexpr int resultCantWrite = -10;
constexpr int resultNoDeviceSelected = -11;  // Play with no entry of "Midi device" selected
constexpr int resultCantConnect = -12;       // no such port to connect to
constexpr int resultNotConnectable = -13;    // the open port makes no connections of its own

constexpr bool succeeded(int result) { return result >= 0; }

// The window's texts for a service that can't be set up, a file that can't be loaded and a
// Play without a port.
inline constexpr const char* initialiseFailedText = "Can't initialize DirectMusic objects.";
inline constexpr const char* loadFailedText = "Error loading file";
inline constexpr const char* noDeviceSelectedText =
    "No Midi device is selected. Choose one in the \"Midi device\" list.";

// What the user is told about `result`: what went wrong and, where there is one, the remedy.
// Empty for success.
std::string describeMusicResult(int result);

}  // namespace halcyone
