add_executable(files_tests
  MidiTracksTest.cpp
  MidiWriterTest.cpp
  PreferencesTest.cpp
  SafeFileTest.cpp
)
target_link_libraries(files_tests PRIVATE halcyone_engine halcyone_testing GTest::gtest GTest::gtest_main)
gtest_discover_tests(files_tests DISCOVERY_MODE PRE_TEST)
