# `cmake --install` lays Halcyone out as a desktop program under the prefix: the two programs in
# bin/, halcyone-cli's playback module in <libdir>/halcyone/, the desktop entry, icons,
# AppStream metadata and manual pages in their freedesktop.org places, the help file and
# example set-ups in share/halcyone/, where the window looks for its help when none lies beside
# it, and the copyright and changelog in share/doc/halcyone/. `cpack -G DEB` makes a Debian
# package of the same layout.
include(GNUInstallDirs)

set(HALCYONE_APP_ID org.example.halcyone)
set(HALCYONE_DATA_DIR ${CMAKE_INSTALL_DATADIR}/halcyone)
# Not CMAKE_INSTALL_DOCDIR, which is named after the project (Halcyone), not the package.
set(HALCYONE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/halcyone)

# Manual pages and the changelog are installed compressed, as Debian wants them: gzip -9n, with
# neither name nor time in the header, so that the same text always gives the same bytes.
add_custom_target(halcyone_gzipped ALL)
function(halcyone_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(gzipped ${PROJECT_BINARY_DIR}/gzipped/${name}.gz)
  add_custom_command(OUTPUT ${gzipped}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/gzipped
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${PROJECT_SOURCE_DIR}/${source} ${gzipped}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  target_sources(halcyone_gzipped PRIVATE ${gzipped})
  install(FILES ${gzipped} DESTINATION ${destination})
endfunction()

if(TARGET halcyone)
  install(TARGETS halcyone RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES packaging/${HALCYONE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/${HALCYONE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The set-up files' type, and the program's icon for them as well.
  install(FILES packaging/${HALCYONE_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  foreach(size 16 32 64 128 256)
    install(FILES resources/icons/halcyone-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${HALCYONE_APP_ID}.png)
    install(FILES resources/icons/halcyone-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/mimetypes
            RENAME application-x-halcyone-setup.png)
  endforeach()
  install(FILES resources/help/halcyone-help.html DESTINATION ${HALCYONE_DATA_DIR}
          RENAME halcyone.hlp)
  halcyone_install_gzipped(packaging/man/halcyone.1 ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(TARGETS halcyone-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The playback module halcyone-cli opens: cli/ compiles in this folder relative to bin/.
install(TARGETS halcyone_playback_module LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/halcyone)
halcyone_install_gzipped(packaging/man/halcyone-cli.1 ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY examples/ DESTINATION ${HALCYONE_DATA_DIR}/examples
        FILES_MATCHING PATTERN "*.mpr")
install(FILES packaging/copyright DESTINATION ${HALCYONE_DOC_DIR})
halcyone_install_gzipped(packaging/changelog ${HALCYONE_DOC_DIR})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halcyone)
set(CPACK_PACKAGE_VENDOR "Halcyone developers")
set(CPACK_PACKAGE_CONTACT "Halcyone developers <halcyone@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://halcyone.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compose music from the Mandelbrot set")
set(CPACK_PACKAGE_INSTALL_DIRECTORY halcyone)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Halcyone frames a view of the Mandelbrot set, shown as a preview
coloured by escape time, and turns it into music: up to five MIDI
channels, each with an instrument, a note length, a scanning mode, a
colour from the view and a set of allowed notes, read the view column by
column. The piece plays on the built-in FluidSynth synthesizer, into JACK
(a JACK MIDI output, and the synthesizer's audio) or on an ALSA MIDI port,
or is saved as a Standard MIDI File; set-ups are saved to and loaded from
small preferences files.
.
The package contains the window (halcyone) and the command-line companion
(halcyone-cli), which composes, renders, plays and previews saved set-ups.")
# Library dependencies come from the programs themselves (packaging/debian-depends.cmake); the
# Qt platform plugins, a General MIDI SoundFont and JACK's library are what they load at run
# time, the last only where a JACK server is wanted (a server of its own is a suggestion).
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/debian-depends.cmake)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fluid-soundfont-gm | timgm6mb-soundfont | musescore-general-soundfont, libjack-jackd2-0 | libjack-0.125")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fluidsynth, midicsv, jackd2 | pipewire-jack")
set(CPACK_STRIP_FILES ON)
include(CPack)
