#include "NewFile.h"

#include <fcntl.h>
#include <unistd.h>

namespace m4 {

std::FILE* CreateNewFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

bool MoveOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

unsigned long ProcessNumber() { return static_cast<unsigned long>(getpid()); }

}  // namespace m4
