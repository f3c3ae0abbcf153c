# Playback: the Player, the "Midi device" list, Play/Stop and the tool's commands against a
# scripted service; the MIDI file check; FluidSynth itself through its offline file renderer
# (never an audio driver).
add_executable(playback_tests
  PlayerTest.cpp
  PlaybackCommandsTest.cpp
  PlaybackMidiFileCheckTest.cpp
  PlaybackFluidTest.cpp
)
target_link_libraries(playback_tests PRIVATE halcyone_playback halcyone_testing GTest::gtest GTest::gmock GTest::gtest_main)
gtest_discover_tests(playback_tests DISCOVERY_MODE PRE_TEST)
