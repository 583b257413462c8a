# The layers of the program: app -> {taskbar, wallpaper} -> display ->
# framework; hooklib, audiotool and resources stand alone. Sources include
# headers by their folder ("display/display_list.h"), and a target sees only
# the folders of its own layer and the layers it links: each folder is offered
# through an include folder of its own in the build folder, holding one link
# named after the folder, so an include that runs up the layers does not
# build.
#
# velk_layer(<target> <folder>): <target> offers <folder>'s headers to itself
# and to every target that links it.
function(velk_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL INTERFACE_LIBRARY)
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
