// The operating system's services that the decoder needs beside its window
// and sound outputs: writing a file whole or not at all (a temporary file
// created afresh, then moved over the file it replaces), and finding out
// whether FFmpeg's libraries are there. One declaration; one implementation
// per system, each in its system's folder: posix/PosixServices.cpp,
// win32/Win32Services.cpp.
//
// Threads: every member may be called from any thread, also at once; the
// implementations keep no state between calls but what the system keeps.
#ifndef M4_FFMPEG_SYSTEM_SERVICES_H
#define M4_FFMPEG_SYSTEM_SERVICES_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace decoder_ffmpeg {

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // Opens |path| for binary writing, not inherited by child processes; null
  // when it exists already or cannot be created.
  virtual std::FILE* CreateNewFile(const std::string& path) = 0;
  // Moves |from| to |to|, replacing a file there; false when nothing moved.
  virtual bool MoveOver(const std::string& from, const std::string& to) = 0;
  // This process's number, which keeps its temporary files apart from those
  // of other processes writing beside them.
  virtual unsigned long ProcessNumber() = 0;

  // kNoError when every FFmpeg library the decoder uses is there with every
  // function it imports from it; kLibraryUnavailable otherwise, after naming
  // the missing library or function to the debugger (OutputDebugString). The
  // libraries found stay loaded, so the answer holds for the whole process.
  //
  // On Windows the decoder delay-loads FFmpeg's DLLs
  // (cmake/FfmpegLibraries.cmake), so that m4playerApi.dll, and the player
  // that imports it, load even when one of them is missing; this check is
  // what finds out. A call through a delay-load stub whose DLL or function
  // is missing would raise an exception through the client's code instead.
  // Elsewhere they are linked as usual: without them the dynamic loader
  // refuses the decoder itself, and the player reports that.
  virtual int32_t CheckFfmpegLibraries() = 0;
};

// The system's services, alive for the whole process.
SystemServices& TheSystemServices();

}  // namespace decoder_ffmpeg

#endif
