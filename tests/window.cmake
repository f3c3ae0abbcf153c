# The window under Qt's offscreen platform: its start, what it paints, its control host against
# the in-memory panel, and its commands driven with clicks, keys and a scripted desktop.
if(TARGET halcyone_window)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  foreach(name WindowTest WindowConformanceTest WindowCommandsUiTest TextFitTest DesktopPiecesTest ControlsTest AudioExportTest)
    add_executable(${name} ${name}.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE halcyone_window halcyone_testing Qt6::Test)
    target_compile_definitions(${name} PRIVATE
      HALCYONE_CLI="$<TARGET_FILE:halcyone-cli>"
      HALCYONE_EXAMPLES="${PROJECT_SOURCE_DIR}/examples"
      HALCYONE_HELP="$<TARGET_FILE_DIR:halcyone>/halcyone.hlp")
    add_test(NAME window.${name} COMMAND ${name})
    set_tests_properties(window.${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  endforeach()
  add_executable(HighDensityTest HighDensityTest.cpp)
  set_target_properties(HighDensityTest PROPERTIES AUTOMOC ON)
  target_link_libraries(HighDensityTest PRIVATE halcyone_window halcyone_testing Qt6::Test)
  add_test(NAME window.HighDensityTest COMMAND HighDensityTest)
  set_tests_properties(window.HighDensityTest PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2" TIMEOUT 300)
  add_executable(dialog_template_tests DialogTemplateTest.cpp)
  target_link_libraries(dialog_template_tests PRIVATE halcyone_window GTest::gtest GTest::gtest_main)
  target_compile_definitions(dialog_template_tests PRIVATE
    HALCYONE_TEMPLATE="${PROJECT_SOURCE_DIR}/resources/main-dialog.tsv")
  gtest_discover_tests(dialog_template_tests DISCOVERY_MODE PRE_TEST)
endif()
