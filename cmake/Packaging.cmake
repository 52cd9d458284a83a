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

# Windows: kelo820-playsdk-<version>-win32.zip, with the README at its top:
# what a client developer needs with nothing but the zip.
if(WIN32)
  if(TARGET m4playerApi_ffmpeg)
    set(KELO_README_DECODER_FILES [=[bin\m4playerApi.dll            our decoder library, on FFmpeg (a decoder
                               DLL is required: see Loading)
bin\av*.dll, bin\sw*.dll       the FFmpeg DLLs it uses (LGPL 2.1 or later)
licenses\ffmpeg\               FFmpeg's licence and where its source came from
bin\kelo_demo_viewer.exe       the demo viewer: streams played in a grid of tiles
bin\m4stream.exe               media file -> stream file (.kst); --help says
                               what it reads
]=])
    set(KELO_README_START [=[
From the zip to a logged two-window client
  1. A stream file: bin\m4stream.exe clip.mpg clip.kst makes one from an
     MPEG program or transport stream (bin\m4stream.exe --help lists what
     this kit's FFmpeg reads). The ffmpeg tool makes a test clip:
       ffmpeg -f lavfi -i testsrc=size=352x288:rate=25 -t 6 -c:v mpeg2video -f vob clip.mpg
  2. Trace logging: copy doc\Q81.cfg.example to C:\q81\cfg\Q81.cfg.
  3. Build the examples against this kit (Visual Studio, x86):
       cmake -S examples -B build -A Win32
       cmake --build build --config Release
     mingw-w64, or clang-cl with Ninja, work too. The DLLs of bin\ are copied
     beside the programs.
  4. build\Release\two_window_client.exe clip.kst plays the stream in two
     windows, on channels 0 and 1. Space pauses and resumes a window's
     channel, C captures its picture (channel0.bmp, channel1.bmp), Esc
     closes it; --tour presses those keys by itself. A window's title shows
     the last call and its result.
  5. The logs: C:\q81\log\ZQ_Player_Runtime.log and ZQ_Player_Error.log.
]=])
    set(KELO_README_LOADING [=[  Kelo820_PlaySDK.dll imports the decoder's 27 PlayM4_ functions (__stdcall,
  undecorated names) from m4playerApi.dll, so a decoder DLL of that name is
  required: ours in bin\, or the client's own in its place (any DLL that
  exports the 27 functions; the FFmpeg DLLs serve only ours). Put the DLLs
  of bin\ beside the client's .exe, or all in a directory on the DLL search
  path; they need nothing but Windows' own DLLs. Without one of the FFmpeg
  DLLs the client starts, and Play_OpenStream fails with 26 (decoder error
  24; the decoder names the missing DLL to the debugger).]=])
    set(KELO_README_DEMO [=[

Demo viewer
  It runs from bin\, beside its DLLs; give it stream files, media files or
  live sources, one per tile:
    bin\kelo_demo_viewer.exe --grid 4 clip.kst movie.mpg udp://0.0.0.0:5000
  Media files are converted with bin\m4stream.exe first; udp:// and tcp://
  carry an MPEG transport stream; rtsp:// works too. Without any it plays the
  .kst files of demo_streams\ in the current directory; when there are none
  it says where it looked and how to make one, and exits with status 1.
  --help lists the options and keys.
]=])
  else()
    set(KELO_README_DECODER_FILES "")
    set(KELO_README_START [=[
First steps
  Put a decoder, m4playerApi.dll, into bin\ (see Loading); copy
  doc\Q81.cfg.example to C:\q81\cfg\Q81.cfg, so that every call is traced
  in C:\q81\log\; build the examples against this kit:
    cmake -S examples -B build -A Win32
    cmake --build build --config Release
]=])
    set(KELO_README_LOADING [=[  Kelo820_PlaySDK.dll imports the decoder's 27 PlayM4_ functions (__stdcall,
  undecorated names) from m4playerApi.dll, which is not part of this kit but
  required: any DLL of that name that exports the 27 functions. Put it and
  Kelo820_PlaySDK.dll beside the client's .exe (or both in a directory on
  the DLL search path).]=])
    set(KELO_README_DEMO "")
  endif()
  # Windows line ends, for Notepad: a second pass, since the first leaves
  # those of the values above as they are.
  configure_file(${PROJECT_SOURCE_DIR}/cmake/WindowsSdkReadme.txt.in
    ${PROJECT_BINARY_DIR}/README.txt.in @ONLY)
  configure_file(${PROJECT_BINARY_DIR}/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
    @ONLY NEWLINE_STYLE WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

include(CPack)
