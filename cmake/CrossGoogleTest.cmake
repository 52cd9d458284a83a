# GoogleTest for a cross build: Debian's googletest package ships the sources
# in /usr/src/googletest, built here with the cross compiler (the packaged
# libgtest is for the host only). Provides GTest::gtest, GTest::gtest_main,
# GTest::gmock and GTest::gmock_main as find_package(GTest) does.
set(KELO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
if(NOT EXISTS ${KELO_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${KELO_GOOGLETEST_SOURCE} (apt-get install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KELO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The test programs run under the emulator (wine) and need the scripted
# decoder's m4playerApi.dll; wine finds DLLs along WINEPATH. Listing the cases
# waits until ctest runs, so that building needs no emulator.
if(WIN32)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env "WINEPATH=${CMAKE_BINARY_DIR}/scripted" WINEDEBUG=-all
      ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()
set(KELO_TEST_DISCOVERY DISCOVERY_MODE PRE_TEST)
