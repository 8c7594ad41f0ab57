# fm_include_root(<target> <folder>)
#
# Gives target an include root of its own in the build tree that holds its listed headers
# and nothing else, as <folder>/<name>.h (a link to each header), so that a file includes
# "engine/TScanRun.h" as before but reaches only the headers of the libraries it links: an
# include that goes the wrong way between layers fails to build. Each header is linked one
# by one, so that two libraries of one folder (support) or a library nested in another's
# folder (actions/ui in actions) each export their own headers only.
function(fm_include_root target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  # Headers dropped from the list leave no link behind.
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.h$")
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
      cmake_path(GET source FILENAME name)
      file(CREATE_LINK ${source} ${root}/${folder}/${name} SYMBOLIC)
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
