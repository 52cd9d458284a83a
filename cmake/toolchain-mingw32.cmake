# Cross build of the 32-bit Windows DLL with Debian's mingw-w64 (packages
# g++-mingw-w64-i686 and mingw-w64); wine runs what the build produces.
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
#
# The -posix compilers are the ones whose libstdc++ has std::mutex and
# std::thread; the win32 thread model has neither.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KELO_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KELO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KELO_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${KELO_MINGW_PREFIX}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${KELO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler runtime (libgcc, libstdc++, winpthread) goes into every binary,
# so that the DLLs need nothing beyond system DLLs and m4playerApi.dll and a
# client copies no mingw runtime along. -static makes the driver pick the
# archives; system DLLs are still reached through their import libraries.
set(KELO_STATIC_RUNTIME "-static-libgcc -static-libstdc++ -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${KELO_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${KELO_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${KELO_STATIC_RUNTIME}")

find_program(KELO_WINE wine)
if(KELO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELO_WINE})
endif()
