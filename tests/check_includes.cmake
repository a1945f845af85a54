# Fails when a folder includes what it must not: the panel's logic (core,
# readings, menus, keys, measurements, ports) and the tools include no Qt
# header and nothing of view/; measurements, ports and tools include no POSIX
# header (they build for Windows as they are); the simulator includes nothing
# of the panel.
#   cmake -DSOURCE_DIR=<source tree> -P tests/check_includes.cmake
set(rules
  "core|readings|menus|keys|measurements|ports|tools" "#[ \t]*include[ \t]*[<\"](Q[A-Za-z]*|qt[a-z]*/|Qt[A-Za-z]*/|view/)"
  "measurements|ports|tools" "#[ \t]*include[ \t]*<(unistd|fcntl|termios|poll|pthread|dirent|sys/|arpa/|netinet/)"
  "simulator" "#[ \t]*include[ \t]*\"(core|readings|menus|keys|view|measurements|ports)/")
set(broken "")
list(LENGTH rules count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET rules ${i} folders)
  list(GET rules ${j} pattern)
  string(REPLACE "|" ";" folders "${folders}")
  foreach(folder IN LISTS folders)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source IN LISTS sources)
      file(STRINGS "${source}" hits REGEX "${pattern}")
      foreach(hit IN LISTS hits)
        file(RELATIVE_PATH where "${SOURCE_DIR}" "${source}")
        string(APPEND broken "  ${where}: ${hit}\n")
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(broken)
  message(FATAL_ERROR "includes a folder may not have:\n${broken}")
endif()
