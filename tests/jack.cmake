# JACK: the JACK MIDI port and the synthesizer on JACK against a JACK server each test starts
# for itself (jackd's dummy backend, no sound card), with a MIDI client of the test's own,
# linked to libjack directly. Skipped, with the reason, only where jackd is not installed.
find_package(PkgConfig REQUIRED)
pkg_check_modules(JACK_CLIENT REQUIRED IMPORTED_TARGET jack)
add_executable(jack_tests JackMidiTest.cpp)
target_link_libraries(jack_tests PRIVATE halcyone_playback halcyone_testing PkgConfig::JACK_CLIENT
                      GTest::gtest GTest::gmock GTest::gtest_main)
# JACK's clients miss cycles when the machine is busy, and a missed cycle loses MIDI: these run
# alone, not beside other tests.
gtest_discover_tests(jack_tests DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 120 RUN_SERIAL ON)

add_test(NAME cli.jack
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/jack_cli_test.sh $<TARGET_FILE:halcyone-cli>
          ${PROJECT_SOURCE_DIR}/examples)
set_tests_properties(cli.jack PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77 RUN_SERIAL ON)
