# Run by cpack between staging the files and building the Debian package: adds the shared
# libraries that the staged programs and the playback module need to the package's Depends.
# CPack's own scan (CPACK_DEBIAN_PACKAGE_SHLIBDEPS) would do the same, but it also writes
# ldconfig calls into postinst and postrm for any shared object under usr/lib, and the playback
# module is private to halcyone-cli, so nothing has to run on install.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE staged LIST_DIRECTORIES false ${root}/usr/bin/* ${root}/usr/lib/*)
set(elf_files)
foreach(path IN LISTS staged)
  file(READ ${path} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    list(APPEND elf_files ${path})
  endif()
endforeach()
if(NOT elf_files)
  message(FATAL_ERROR "debian-depends: no programs staged under ${root}")
endif()

# dpkg-shlibdeps wants a debian/control beside it; keep that out of the staged tree. It warns
# that the engine symbols the module takes from halcyone-cli are in no library: shown only
# when it fails.
set(scratch ${root}/../shlibdeps)
file(WRITE ${scratch}/debian/control "")
execute_process(COMMAND dpkg-shlibdeps -O ${elf_files}
                WORKING_DIRECTORY ${scratch}
                OUTPUT_VARIABLE substvars ERROR_VARIABLE warnings RESULT_VARIABLE failed)
file(REMOVE_RECURSE ${scratch})
string(REGEX MATCH "shlibs:Depends=([^\n]*)" found "${substvars}")
if(failed OR NOT found)
  message(FATAL_ERROR "dpkg-shlibdeps found no dependencies:\n${warnings}")
endif()
if(CPACK_DEBIAN_PACKAGE_DEPENDS)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}, ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
