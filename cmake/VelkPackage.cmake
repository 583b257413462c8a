# The release package: Velkmira-<version>-x64.zip (or -x86.zip from the x86
# build), made by CPack's ZIP generator (`cmake --build build --target
# package`). It holds the programs, stripped, the help file and a short readme
# in one folder.
set(velk_package_name Velkmira-${PROJECT_VERSION}-${VELK_ARCH})

set(velk_package_targets Velkmira Tarnlet)
if(TARGET Sondreth)
  list(APPEND velk_package_targets Sondreth)
endif()
# What a user gets, without the tests: `--target deliverables` (tools/run).
add_custom_target(deliverables DEPENDS ${velk_package_targets} help_file)
# The hook library's import library is for builders only: it stays out.
install(TARGETS ${velk_package_targets}
        RUNTIME DESTINATION .
        LIBRARY DESTINATION .
        ARCHIVE DESTINATION lib COMPONENT development EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_BINARY_DIR}/bin/VELKPanomira.chm DESTINATION .)
# The readme lists the audio tool only when the build makes it.
set(VELK_README_TOOL_LINE "")
if(TARGET Sondreth)
  set(VELK_README_TOOL_LINE "  Sondreth.exe       audio device list tool, used on Windows before Vista\n")
endif()
configure_file(${CMAKE_SOURCE_DIR}/packaging/README.txt.in ${CMAKE_BINARY_DIR}/packaging/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Velkmira)
set(CPACK_PACKAGE_VENDOR "VELK-DORVIX")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${velk_package_name})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
include(CPack)

# Where the package lands, for its test.
set(VELK_PACKAGE_FILE ${CMAKE_BINARY_DIR}/package/${velk_package_name}.zip)
