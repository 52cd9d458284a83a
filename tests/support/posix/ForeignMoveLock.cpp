#include "ForeignMoveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tests {

ForeignMoveLock::ForeignMoveLock(const std::string& path) {
  file_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  held_ = file_ >= 0 && flock(static_cast<int>(file_), LOCK_EX) == 0;
}

ForeignMoveLock::~ForeignMoveLock() {
  if (file_ >= 0) close(static_cast<int>(file_));
}

}  // namespace tests
