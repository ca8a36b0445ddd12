# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, for std::thread and
# std::mutex). Everything is linked statically, so the programs need no MinGW DLL beside them
# and run under Wine as they are.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELTA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELTA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine (cmake/wine-run.sh keeps its prefix under the build folder).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
