# Cross build for Windows with mingw-w64. The posix thread model gives the
# standard library its std::thread and std::mutex; everything is linked
# statically so that the programs run under Wine without extra DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEXLA_MINGW_TRIPLE i686-w64-mingw32)
# Test programs run under the 32-bit Wine loader (Debian's wine32).
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)

set(CMAKE_C_COMPILER   ${VEXLA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXLA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VEXLA_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP      ${VEXLA_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXLA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
