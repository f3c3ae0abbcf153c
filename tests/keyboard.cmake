# The piano keyboard: geometry, hit testing and the pixels it paints, without a QGuiApplication.
# Built only with the window (HALCYONE_BUILD_GUI), which defines the library.
if(TARGET halcyone_keyboard)
  add_executable(keyboard_tests KeyboardWidgetTest.cpp)
  target_link_libraries(keyboard_tests PRIVATE halcyone_keyboard GTest::gtest GTest::gtest_main)
  gtest_discover_tests(keyboard_tests DISCOVERY_MODE PRE_TEST)
endif()
