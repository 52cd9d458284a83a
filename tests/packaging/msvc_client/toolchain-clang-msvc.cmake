# A client's CMake build as Microsoft's toolchain makes it, for
# scripts/test-packaging.sh: clang-cl for i686-pc-windows-msvc, linked by
# lld-link, against the stand-in Windows SDK headers beside this file and the
# import libraries and start-up object that the script makes into the
# directory $KELO_MSVC_LIBRARIES (there is no C runtime for this target here).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)
find_program(CMAKE_CXX_COMPILER NAMES clang-cl clang-cl-14 REQUIRED)
set(CMAKE_CXX_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_LINKER lld-link)
set(CMAKE_AR llvm-lib)
set(CMAKE_RC_COMPILER llvm-rc)
set(CMAKE_MT llvm-mt)
# Compiler checks that link would need the runtime.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# Without a runtime: no security cookies, no default libraries named.
set(CMAKE_CXX_FLAGS_INIT "/GS- /Zl -imsvc ${CMAKE_CURRENT_LIST_DIR}/windows_sdk")
set(CMAKE_EXE_LINKER_FLAGS_INIT "/libpath:$ENV{KELO_MSVC_LIBRARIES}")
set(CMAKE_CXX_STANDARD_LIBRARIES
  "kernel32.lib user32.lib gdi32.lib $ENV{KELO_MSVC_LIBRARIES}/startup.obj" CACHE STRING "")
