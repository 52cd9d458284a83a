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
  if(TARGET m4playerApi_ffmpeg)
    set(KELO_README_DECODER_FILES [=[bin\m4playerApi.dll            our decoder library, on FFmpeg (optional)
bin\av*.dll, bin\sw*.dll       the FFmpeg DLLs it uses (LGPL 2.1 or later)
licenses\ffmpeg\               FFmpeg's licence and where its source came from
bin\kelo_demo_viewer.exe       the demo viewer: streams played in a grid of tiles
bin\m4stream.exe               media file -> stream file (.kst), for the viewer
]=])
    set(KELO_README_DEMO [=[

Demo viewer
  It runs from bin\, beside its DLLs; give it stream files, media files or
  live sources, one per tile:
    bin\kelo_demo_viewer.exe --grid 4 clip.kst movie.mpg udp://0.0.0.0:5000
  Media files are converted with bin\m4stream.exe first; udp:// and tcp://
  carry an MPEG transport stream; rtsp:// works too. Without streams it plays
  the .kst files of .\demo_streams\. --help lists the options and keys.
]=])
    set(KELO_README_LOADING [=[  Kelo820_PlaySDK.dll needs nothing but system DLLs and a decoder library,
  m4playerApi.dll, which it looks for along the DLL search path: put the DLLs
  of bin\ beside the client's .exe (or all in a directory on the DLL search
  path). bin\ runs on its own: m4playerApi.dll needs only the FFmpeg DLLs
  beside it and system DLLs.

  The decoder is ours and optional. Kelo820_PlaySDK.dll imports the decoder's
  27 PlayM4_ functions, __stdcall, by their undecorated names; any
  m4playerApi.dll that exports them serves it. To use your own, put it in
  place of ours and leave out our FFmpeg DLLs, which only our decoder uses.]=])
  else()
    set(KELO_README_DECODER_FILES "")
    set(KELO_README_DEMO "")
    set(KELO_README_LOADING [=[  Kelo820_PlaySDK.dll needs nothing but system DLLs and the decoder library
  m4playerApi.dll, which is not part of this kit. Put Kelo820_PlaySDK.dll and
  m4playerApi.dll beside the client's .exe (or both in a directory on the DLL
  search path); the DLL imports the decoder's 27 PlayM4_ functions, __stdcall,
  by their undecorated names.]=])
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/WindowsSdkReadme.txt.in
    ${PROJECT_BINARY_DIR}/README.txt @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

include(CPack)
