// The system calls behind writing a file whole or not at all: a temporary
// file created afresh, then moved over the file it replaces. One file per
// system: NewFilePosix.cpp, NewFileWin32.cpp.
#ifndef M4_FFMPEG_NEW_FILE_H
#define M4_FFMPEG_NEW_FILE_H

#include <cstdio>
#include <string>

namespace m4 {

// Opens |path| for binary writing, not inherited by child processes; null
// when it exists already or cannot be created.
std::FILE* CreateNewFile(const std::string& path);
// Moves |from| to |to|, replacing a file there.
bool MoveOver(const std::string& from, const std::string& to);
unsigned long ProcessNumber();

}  // namespace m4

#endif
