# Test programs run under Wine through the wrapper that tools/test prepares
# (a private prefix inside the build folder, a persistent wineserver).
set(VELK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# A second prefix, with a wineserver of its own, for the longest whole-program
# suite. What the tests of one prefix share (the global hooks, hotkeys, the
# stand-in "Shell_TrayWnd", the program's single-instance mutex, the HKCU
# profile) is not shared between prefixes, so it runs beside the others.
set(VELK_WINE_OWN_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-own)
set(VELK_WINE_HOME ${CMAKE_BINARY_DIR}/winehome)
# The x64 build runs in a 64-bit prefix through wine64; the x86 build in a
# 32-bit prefix (as on 32-bit Windows) through Wine's 32-bit loader, which
# Debian's wine32:i386 installs. Without it VELK_WINE stays empty and only the
# x86 checks that need no Wine can run (tools/test says so).
if(VELK_ARCH STREQUAL x86)
  set(velk_wine_name wine)
  set(VELK_WINE_ARCH win32)
else()
  set(velk_wine_name wine64)
  set(VELK_WINE_ARCH win64)
endif()
find_program(VELK_WINE ${velk_wine_name} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VELK_WINE AND VELK_ARCH STREQUAL x64)
  find_program(VELK_WINE wine64)
endif()
set(VELK_WINE_FOUND "${VELK_WINE}")
if(NOT VELK_WINE)
  set(VELK_WINE_FOUND "")
endif()
# For testing/wine-env and tools/run: the loader and the prefix's kind.
file(WRITE ${CMAKE_BINARY_DIR}/wine.conf
     "wine='${VELK_WINE_FOUND}'\nWINEARCH=${VELK_WINE_ARCH}\nprefixes='wineprefix wineprefix-own'\n")
configure_file(${CMAKE_SOURCE_DIR}/testing/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# velk_add_test(<name> SOURCES ... [LIBS ...] [RESOURCES] [PROCESS] [OWN_PREFIX] [TIMEOUT s])
# One GoogleTest program per call, registered with ctest as one test.
# PROCESS: the test starts a deliverable as a process (label "process", so
# that `ctest -L process` picks the whole-program tests).
# OWN_PREFIX: the test runs in the second prefix, beside the others (ctest -j);
# the tests of one prefix run one at a time (a resource lock each).
function(velk_add_test name)
  cmake_parse_arguments(T "RESOURCES;PROCESS;OWN_PREFIX" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_RESOURCES)
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources/Velkmira.rc)
  endif()
  target_link_libraries(${name} PRIVATE velk_testing ${T_LIBS} gtest_main gmock)
  set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE OFF)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_PROCESS)
    set_tests_properties(${name} PROPERTIES LABELS process)
  endif()
  if(T_OWN_PREFIX)
    # Started first: the others run one after another beside it.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "VELK_TEST_PREFIX=${VELK_WINE_OWN_PREFIX}"
                                            RESOURCE_LOCK wineprefix-own COST 1000)
  else()
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wineprefix)
  endif()
endfunction()
