// The system's services on POSIX systems.
#include <fcntl.h>
#include <unistd.h>

#include "ErrorCode.h"
#include "SystemServices.h"

namespace decoder_ffmpeg {
namespace {

class PosixServices final : public SystemServices {
 public:
  std::FILE* CreateNewFile(const std::string& path) override {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) close(fd);
    return file;
  }

  bool MoveOver(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }

  unsigned long ProcessNumber() override { return static_cast<unsigned long>(getpid()); }

  // Linked as usual: without FFmpeg's libraries the dynamic loader refuses
  // the decoder itself, and the player reports that.
  int32_t CheckFfmpegLibraries() override { return kNoError; }
};

}  // namespace

// Never destroyed: a client may exit with streams still open, and their
// threads may still write a capture.
SystemServices& TheSystemServices() {
  static auto* services = new PosixServices();
  return *services;
}

}  // namespace decoder_ffmpeg
