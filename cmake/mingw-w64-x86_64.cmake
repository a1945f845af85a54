# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the posix threads
# variant, which std::thread and GoogleTest need), linking the C++ runtime
# statically so that the programs run on a Windows without MinGW's DLLs.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DKT_LOGIC_ONLY=ON
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
