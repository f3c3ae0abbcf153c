# Installing and packaging: the desktop entry, the AppStream metadata and the manual pages pass
# their validators, and the Debian package passes lintian and installs into a scratch root from
# which the command-line companion composes an installed example and opens its installed
# playback module.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
find_program(MAN_PROGRAM man)
file(GLOB desktop_entries ${PROJECT_SOURCE_DIR}/packaging/*.desktop)
file(GLOB metainfo_files ${PROJECT_SOURCE_DIR}/packaging/*.metainfo.xml)
if(DESKTOP_FILE_VALIDATE)
  add_test(NAME packaging.desktop-entry
    COMMAND ${DESKTOP_FILE_VALIDATE} ${desktop_entries})
endif()
if(APPSTREAMCLI)
  # Pedantic hints, such as an id with capitals, leave the exit status at 0: any issue fails.
  add_test(NAME packaging.metainfo
    COMMAND ${APPSTREAMCLI} validate --pedantic --no-net --format yaml ${metainfo_files})
  set_tests_properties(packaging.metainfo PROPERTIES FAIL_REGULAR_EXPRESSION "severity:")
endif()
if(MAN_PROGRAM)
  add_test(NAME packaging.manual-pages
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/manpages_test.sh ${PROJECT_SOURCE_DIR}/packaging/man)
endif()
# The package is made from the normal build with the window; a sanitizer build would only
# package its runtime.
if(TARGET halcyone AND NOT HALCYONE_SANITIZE)
  add_test(NAME packaging.debian-package
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(packaging.debian-package PROPERTIES TIMEOUT 600 RUN_SERIAL ON)
endif()
