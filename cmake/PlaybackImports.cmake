# cmake -DNM=nm -DOBJECTS=<module objects> -DARCHIVES=<engine archives> -DLIST=imports.list
#       -DRSP=imports.rsp -P PlaybackImports.cmake
# The engine symbols the playback module calls are to come from halcyone-cli: writes the
# linker options that pull each of them into the tool (--undefined) and export it (a
# --dynamic-list), and nothing else, so the tool's symbol table stays small.
cmake_minimum_required(VERSION 3.25)
set(objects ${OBJECTS})
set(archives ${ARCHIVES})
if(NOT objects OR NOT archives)
  message(FATAL_ERROR "PlaybackImports.cmake: module objects and engine archives are needed")
endif()

# Names from `nm -P` output lines, "NAME TYPE [VALUE SIZE]"; `types` is a regex of the types.
function(symbols out types)
  execute_process(COMMAND ${NM} -P ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} failed on ${ARGN}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${text}")
  set(names)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([^ ]+) (${types})( |$)")
      list(APPEND names "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  set(${out} ${names} PARENT_SCOPE)
endfunction()

set(defined "[TtDdBbRrWwVvu]")
symbols(needed "U" ${objects})
symbols(ownDefined "${defined}" ${objects})
symbols(engineDefined "${defined}" ${archives})
list(REMOVE_ITEM needed ${ownDefined})
set(imports)
foreach(name IN LISTS needed)
  if(name IN_LIST engineDefined)
    list(APPEND imports "${name}")
  endif()
endforeach()
list(SORT imports)

set(list "{\n")
set(rsp "-Wl,--dynamic-list=${LIST}\n")
foreach(name IN LISTS imports)
  string(APPEND list "  ${name};\n")
  string(APPEND rsp "-Wl,--undefined=${name}\n")
endforeach()
string(APPEND list "};\n")
# Rewritten only when changed, so that the tool is relinked only then.
file(CONFIGURE OUTPUT "${LIST}" CONTENT "${list}" @ONLY)
file(CONFIGURE OUTPUT "${RSP}" CONTENT "${rsp}" @ONLY)
