#include "NewFile.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace m4 {

std::FILE* CreateNewFile(const std::string& path) {
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

// rename() refuses to replace an existing file here.
bool MoveOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

unsigned long ProcessNumber() { return GetCurrentProcessId(); }

}  // namespace m4
