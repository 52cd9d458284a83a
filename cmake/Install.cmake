# What `cmake --install` puts under the prefix, for clients that link the SDK:
#   include/Kelo820_PlaySDK.h, the types it shares with the decoder's C
#     header (Kelo820_PlaySDKTypes.h) and the named codes
#     (Kelo820_PlaySDKCodes.h)
#   <libdir>/libKelo820_PlaySDK.so* and, on Linux, the FFmpeg decoder
#     libm4playerApi.so beside it, where the player's RUNPATH ($ORIGIN) finds
#     it (Windows: bin/Kelo820_PlaySDK.dll and the import libraries in lib/;
#     with our FFmpeg build, bin/m4playerApi.dll, the FFmpeg DLLs and
#     licenses/ffmpeg/)
#   <libdir>/cmake/Kelo820PlaySDK: find_package(Kelo820PlaySDK) -> Kelo820::PlaySDK
#   on Linux: <libdir>/pkgconfig/kelo820-playsdk.pc, bin/m4stream,
#     bin/kelo_demo_viewer and the documentation
#   on Windows: lib/Kelo820_PlaySDK.lib for MSVC, the .def, README.txt,
#     doc/Q81.cfg.example and examples/ (the example clients with a CMake
#     file that builds them against the package); with our FFmpeg build,
#     bin/m4stream.exe and bin/kelo_demo_viewer.exe
# The scripted decoder and the tests stay in the build tree.
include(CMakePackageConfigHelpers)

set(KELO_PACKAGE_NAME kelo820-playsdk)
set(KELO_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kelo820PlaySDK)

set_target_properties(Kelo820_PlaySDK PROPERTIES EXPORT_NAME PlaySDK)
install(TARGETS Kelo820_PlaySDK EXPORT Kelo820PlaySDKTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/include/Kelo820_PlaySDK.h
  ${PROJECT_SOURCE_DIR}/include/Kelo820_PlaySDKTypes.h
  ${PROJECT_SOURCE_DIR}/include/Kelo820_PlaySDKCodes.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(WIN32)
  install(FILES ${KELO_MSVC_IMPORT_LIBRARY} ${PROJECT_SOURCE_DIR}/Src/Kelo820_PlaySDK.def
    DESTINATION ${CMAKE_INSTALL_LIBDIR})
  set(KELO_PACKAGE_MSVC_IMPORT_LIBRARY ${CMAKE_INSTALL_LIBDIR}/Kelo820_PlaySDK.lib)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/basic_client.cpp
    ${PROJECT_SOURCE_DIR}/examples/two_window_client.cpp
    ${PROJECT_SOURCE_DIR}/examples/package/CMakeLists.txt
    DESTINATION examples)
  # Windows line ends, for Notepad.
  configure_file(${PROJECT_SOURCE_DIR}/examples/Q81.cfg.example
    ${PROJECT_BINARY_DIR}/Q81.cfg.example @ONLY NEWLINE_STYLE WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/Q81.cfg.example DESTINATION doc)
endif()

if(TARGET m4playerApi_ffmpeg AND WIN32)
  # The DLL alone: clients reach the decoder through the player and never
  # link against it.
  install(FILES $<TARGET_FILE:m4playerApi_ffmpeg> DESTINATION ${CMAKE_INSTALL_BINDIR})
elseif(TARGET m4playerApi_ffmpeg)
  install(TARGETS m4playerApi_ffmpeg LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
if(WIN32 AND TARGET m4playerApi_ffmpeg)
  # The FFmpeg DLLs go beside m4playerApi.dll, where Windows looks for them,
  # with FFmpeg's licence and where its source came from.
  get_target_property(ffmpegDlls kelo_ffmpeg KELO_RUNTIME_DLLS)
  get_target_property(ffmpegLicense kelo_ffmpeg KELO_LICENSE_FILES)
  install(FILES ${ffmpegDlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${ffmpegLicense} DESTINATION licenses/ffmpeg)
endif()
if(TARGET kelo_demo_viewer)
  # The viewer finds the player through a path relative to itself, so that an
  # unpacked prefix works wherever it lies.
  file(RELATIVE_PATH libraryFromViewer /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
  set_target_properties(kelo_demo_viewer PROPERTIES INSTALL_RPATH "$ORIGIN/${libraryFromViewer}")
  install(TARGETS m4stream kelo_demo_viewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # docs/ keeps its name, so that the README's links resolve.
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
endif()

install(EXPORT Kelo820PlaySDKTargets NAMESPACE Kelo820::
  DESTINATION ${KELO_CMAKE_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/Kelo820PlaySDKConfig.cmake.in
  ${PROJECT_BINARY_DIR}/Kelo820PlaySDKConfig.cmake
  INSTALL_DESTINATION ${KELO_CMAKE_PACKAGE_DIR} PATH_VARS CMAKE_INSTALL_BINDIR)
# A new major version changes the SinglePlayer table, so only the same major
# version is compatible.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/Kelo820PlaySDKConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/Kelo820PlaySDKConfig.cmake
  ${PROJECT_BINARY_DIR}/Kelo820PlaySDKConfigVersion.cmake
  DESTINATION ${KELO_CMAKE_PACKAGE_DIR})

if(NOT WIN32)
  # The .pc file names its prefix relative to itself, so that it also serves
  # from an unpacked package.
  file(RELATIVE_PATH KELO_PC_PREFIX_FROM_PC_DIR /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
  string(REGEX REPLACE "/$" "" KELO_PC_PREFIX_FROM_PC_DIR "${KELO_PC_PREFIX_FROM_PC_DIR}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/kelo820-playsdk.pc.in
    ${PROJECT_BINARY_DIR}/${KELO_PACKAGE_NAME}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${KELO_PACKAGE_NAME}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
