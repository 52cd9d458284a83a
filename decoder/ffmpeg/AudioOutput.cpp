#include "AudioOutput.h"

#include <cstdio>
#include <string>

#include "Environment.h"

namespace decoder_ffmpeg {
namespace {

class FileOutput final : public AudioOutput {
 public:
  explicit FileOutput(const char* path) : file_(std::fopen(path, "ab")) {}
  ~FileOutput() override {
    if (file_ != nullptr) std::fclose(file_);
  }

  void Write(const int16_t* interleaved, size_t frames) override {
    if (file_ == nullptr) return;
    std::fwrite(interleaved, sizeof(int16_t) * kOutputChannels, frames, file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeAudioOutput() {
  const std::string path = ReadDecoderEnvironment().audioFile;
  if (!path.empty()) return std::make_unique<FileOutput>(path.c_str());
  return MakeDeviceOutput();
}

}  // namespace decoder_ffmpeg
