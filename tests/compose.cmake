add_executable(compose_tests
  ComposerTest.cpp
  ComposerParallelTest.cpp
  WindowCommandsTest.cpp
)
target_link_libraries(compose_tests PRIVATE halcyone_engine halcyone_testing GTest::gtest GTest::gtest_main)
gtest_discover_tests(compose_tests DISCOVERY_MODE PRE_TEST)
