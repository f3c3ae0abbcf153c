# The piano keyboard: keys, octaves and the keyboard image, over Qt Gui alone (QImage, QPainter).
find_package(Qt6 REQUIRED COMPONENTS Gui)
add_library(halcyone_keyboard STATIC
  ${CMAKE_CURRENT_LIST_DIR}/KeyWidget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyboardWidget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OctaveWidget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Widget.cpp
)
target_include_directories(halcyone_keyboard PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(halcyone_keyboard PUBLIC Qt6::Gui)
