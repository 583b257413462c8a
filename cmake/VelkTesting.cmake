# Test programs run under Wine through the wrapper that tools/test prepares
# (a private prefix inside the build folder, a persistent wineserver).
set(VELK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VELK_WINE_HOME ${CMAKE_BINARY_DIR}/winehome)
find_program(VELK_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VELK_WINE64)
  find_program(VELK_WINE64 wine64)
endif()
configure_file(${CMAKE_SOURCE_DIR}/testing/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# velk_add_test(<name> SOURCES ... [LIBS ...] [RESOURCES] [TIMEOUT s])
# One GoogleTest program per call, registered with ctest as one test.
function(velk_add_test name)
  cmake_parse_arguments(T "RESOURCES" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
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
endfunction()
