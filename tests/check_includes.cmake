# Fails when a folder includes what it must not (see the README.md of each
# folder): the panel's logic (core, readings, menus, keys, measurements, ports)
# and the tools include no Qt header and nothing of view/; measurements, ports
# and tools include no POSIX header (they build for Windows as they are); the
# simulator includes nothing of the panel. Between the logic folders, each
# includes only the folders (or single headers) its README allows, and no
# folder reaches around that with a relative path ("../").
#   cmake -DSOURCE_DIR=<source tree> -P tests/check_includes.cmake
set(rules
  "core|readings|menus|keys|measurements|ports|tools" "#[ \t]*include[ \t]*[<\"](Q[A-Za-z]*|qt[a-z]*/|Qt[A-Za-z]*/|view/)"
  "measurements|ports|tools" "#[ \t]*include[ \t]*<(unistd|fcntl|termios|poll|pthread|dirent|sys/|arpa/|netinet/)"
  "simulator" "#[ \t]*include[ \t]*\"(core|readings|menus|keys|view|measurements|ports)/"
  "core|readings|menus|keys|measurements|ports|tools|view|simulator" "#[ \t]*include[ \t]*\"[^\"]*\\.\\./")
# The project headers each logic folder may include: folder/ for a whole
# folder, or one header.
set(allowed
  core "core/ readings/"
  readings "readings/ core/ menus/menu_texts.h"
  menus "menus/ core/ readings/"
  keys "keys/ core/ readings/ menus/"
  ports "ports/ core/serial_control.h"
  measurements "measurements/"
  tools "tools/ measurements/")

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

list(LENGTH allowed count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET allowed ${i} folder)
  list(GET allowed ${j} doors)
  string(REPLACE " " ";" doors "${doors}")
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(hit IN LISTS hits)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${hit}")
      set(ok FALSE)
      foreach(door IN LISTS doors)
        string(LENGTH "${door}" length)
        string(SUBSTRING "${header}" 0 ${length} start)
        if(door MATCHES "/$" AND start STREQUAL door)
          set(ok TRUE)
        elseif(header STREQUAL door)
          set(ok TRUE)
        endif()
      endforeach()
      if(NOT ok)
        file(RELATIVE_PATH where "${SOURCE_DIR}" "${source}")
        string(APPEND broken "  ${where}: ${hit} (${folder}/ may include only: ${doors})\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(broken)
  message(FATAL_ERROR "includes a folder may not have:\n${broken}")
endif()
