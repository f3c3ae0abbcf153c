add_executable(fast_tests
  EscapeBatchTest.cpp
  ParallelLoopTest.cpp
)
target_link_libraries(fast_tests PRIVATE halcyone_engine GTest::gtest GTest::gtest_main)
gtest_discover_tests(fast_tests DISCOVERY_MODE PRE_TEST)
