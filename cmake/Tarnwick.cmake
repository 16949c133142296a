# Helpers shared by every folder's CMakeLists.txt.

# tw_library(NAME [LIBS ...]): a static library of every .cpp below the calling folder.
function(tw_library name)
  cmake_parse_arguments(TW "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(ex ${TW_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "${ex}")
  endforeach()
  # A folder whose sources are still to come still gives a library to link against.
  set(empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
  if(NOT EXISTS ${empty})
    file(WRITE ${empty} "// Keeps the library non-empty.\n")
  endif()
  add_library(${name} STATIC ${sources} ${empty})
  target_link_libraries(${name} PUBLIC ${TW_LIBS})
endfunction()

# Scene classes register their readers from static initialisers, so libraries that hold
# them are linked whole: otherwise the linker drops every object file nothing names.
function(tw_link_whole target)
  foreach(lib ${ARGN})
    target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
  endforeach()
endfunction()

set(TW_TEST_RUNNER ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh)

# tw_add_test(NAME SOURCES ... [LIBS ...] [WHOLE ...] [TIMEOUT s]): a GoogleTest program run
# once under Wine by ctest. WHOLE names libraries to be linked whole (registries).
function(tw_add_test name)
  cmake_parse_arguments(TW "" "TIMEOUT" "SOURCES;LIBS;WHOLE" ${ARGN})
  add_executable(${name} ${TW_SOURCES})
  target_link_libraries(${name} PRIVATE ${TW_LIBS} GTest::gtest_main GTest::gmock)
  if(TW_WHOLE)
    tw_link_whole(${name} ${TW_WHOLE})
  endif()
  add_test(NAME ${name} COMMAND ${TW_TEST_RUNNER} $<TARGET_FILE:${name}>)
  if(NOT TW_TIMEOUT)
    set(TW_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${TW_TIMEOUT})
endfunction()

# tw_add_script_test(NAME COMMAND ... [TIMEOUT s] [SCREEN]): an end-to-end test driven
# from Linux (python3 or shell) that starts Windows programs under Wine itself. SCREEN
# tests look at the whole virtual screen, so they run alone: no other test's window may
# cover theirs.
function(tw_add_script_test name)
  cmake_parse_arguments(TW "SCREEN" "TIMEOUT" "COMMAND" ${ARGN})
  add_test(NAME ${name} COMMAND ${TW_COMMAND})
  if(NOT TW_TIMEOUT)
    set(TW_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${TW_TIMEOUT}
    ENVIRONMENT "TW_BIN=${CMAKE_BINARY_DIR}/bin;TW_SOURCE=${CMAKE_SOURCE_DIR}")
  if(TW_SCREEN)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()

# Links against the DirectX libraries that mingw-w64 ships import libraries for.
set(TW_DX_LIBS d3d9 d3dx9_43 dsound strmiids ole32 oleaut32 uuid winmm shlwapi comctl32 gdi32 user32 shell32 advapi32)
