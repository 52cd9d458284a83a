# CPack: `cpack -G DEB` in a Linux build makes the Debian package, and
# `cpack -G ZIP` in the mingw-w64 build the Windows SDK. Both hold what
# cmake/Install.cmake installs.
set(CPACK_PACKAGE_NAME ${KELO_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kelo820 PlaySDK developers")
set(CPACK_PACKAGE_CONTACT "Kelo820 PlaySDK developers <playsdk@kelo820.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Playback control for up to 32 audio/video channels, with an FFmpeg decoder")
set(CPACK_PACKAGE_DESCRIPTION
  "The Kelo820 PlaySDK library, its public header, CMake package and pkg-config file, \
an FFmpeg, X11 and ALSA based decoder library, the m4stream tool and the demo viewer.")
set(CPACK_STRIP_FILES OFF)

# Debian: one package for the library, its development files and the tools,
# installed under /usr (CPack's default for DEB). dpkg-shlibdeps computes the run-time dependencies
# (FFmpeg, X11, ALSA, the C++ runtime) from the binaries; our own decoder
# library is found in the package itself.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Any 1.x release serves a client built against 1.0.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

# Windows: Kelo820_PlaySDK-<version>-win32.zip, with the README on loading at
# its top.
if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/WindowsSdkReadme.txt.in
    ${PROJECT_BINARY_DIR}/README.txt @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

include(CPack)
