// FFmpeg's libraries, checked before the decoder first calls into them. One
// file per system: FfmpegLibrariesPosix.cpp, FfmpegLibrariesWin32.cpp.
//
// On Windows the decoder delay-loads FFmpeg's DLLs (cmake/FfmpegLibraries.cmake),
// so that m4playerApi.dll, and the player that imports it, load even when
// one of them is missing; this check is what finds out. A call through a
// delay-load stub whose DLL or function is missing would raise an exception
// through the client's code instead.
#ifndef M4_FFMPEG_FFMPEG_LIBRARIES_H
#define M4_FFMPEG_FFMPEG_LIBRARIES_H

#include <cstdint>

namespace m4 {

// kNoError when every FFmpeg library the decoder uses is there with every
// function it imports from it; kLibraryUnavailable otherwise, after naming
// the missing DLL or function to the debugger (OutputDebugString). The
// libraries found stay loaded, so the answer holds for the whole process.
int32_t CheckFfmpegLibraries();

}  // namespace m4

#endif
