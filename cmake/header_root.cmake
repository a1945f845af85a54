# Include roots that hold only what a library offers.
#
# A header of the panel is included by its folder and name, "core/int16.h".
# The source tree itself is on no logic library's include path: each library
# gets a folder of its own in the build tree, <build>/include-roots/<target>,
# holding <folder>/<header> for its headers, each a one-line stand-in that
# includes the real header. A library's sources reach another folder's
# headers only through the include roots of the libraries it links, so an
# include its CMakeLists.txt does not allow fails to compile.
#
#   kt_header_root(<target> <PUBLIC|INTERFACE> <folder> [<header>...])
#
# Without headers, every *.h of <folder> (picked up anew when one is added);
# with headers, only those (a narrower door into a folder).
function(kt_header_root target scope folder)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  if(ARGN)
    list(TRANSFORM ARGN PREPEND ${CMAKE_SOURCE_DIR}/${folder}/ OUTPUT_VARIABLE headers)
  else()
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  endif()
  set(made "")
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    # A relative path: the same in every worktree with its build folder inside
    # (so the compiler cache shares the objects).
    file(RELATIVE_PATH real ${root}/${folder} ${header})
    set(line "#include \"${real}\"")
    # Written only when it changes, so that a new configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${root}/${folder}/${name} CONTENT "@line@\n" @ONLY)
    list(APPEND made ${root}/${folder}/${name})
  endforeach()
  file(GLOB present ${root}/${folder}/*.h)
  foreach(stale IN LISTS present)
    if(NOT stale IN_LIST made)
      file(REMOVE ${stale})
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
