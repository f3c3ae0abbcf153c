# The window on a real X server (Xvfb), driven with xdotool as a person would. Skipped (exit 77)
# where Xvfb, xdotool, x11-utils or python3-xlib is missing.
if(TARGET halcyone)
  add_test(NAME window.x11
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/window_x11_test.sh $<TARGET_FILE:halcyone>
)
  set_tests_properties(window.x11 PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77)
endif()
