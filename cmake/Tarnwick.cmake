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

# tw_fixture_header(VAR SCRIPT HEADER [DEPENDS files...]): the C++ header of test fixtures
# that SCRIPT (run as python3 SCRIPT OUT) writes with the document builder; VAR gets its
# path. The builder's modules and the header writer are dependencies of every such header.
function(tw_fixture_header var script header)
  cmake_parse_arguments(TW "" "" "DEPENDS" ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${header})
  file(GLOB builder CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/docbuilder/*.py)
  add_custom_command(OUTPUT ${out}
    COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/${script} ${out}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${script} ${CMAKE_SOURCE_DIR}/tests/support/fixture_header.py ${builder}
            ${TW_DEPENDS}
    COMMENT "Writing ${header} with the document builder")
  set(${var} ${out} PARENT_SCOPE)
endfunction()

# tw_add_effect_test(NAME SOURCES ...): a test program of shader-effect classes: the effect
# library linked whole (its readers register), the folder's generated headers in reach.
function(tw_add_effect_test name)
  cmake_parse_arguments(TW "" "" "SOURCES" ${ARGN})
  tw_add_test(${name} SOURCES ${TW_SOURCES} LIBS tw_effects tw_objects tw_layers tw_core tw_platform WHOLE tw_effects)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
