#include "BmpWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

#include "ErrorCode.h"
#include "FrameFormat.h"
#include "Yv12Converter.h"

namespace m4 {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;

void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  PutU16(out, at, value & 0xFFFF);
  PutU16(out, at + 2, value >> 16);
}

// Headers plus bottom-up BGR rows, each padded to four bytes.
bool EncodeBmp(const uint8_t* yv12, int width, int height, std::vector<uint8_t>* file) {
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  const size_t pixelBytes = rowBytes * static_cast<size_t>(height);
  const size_t offset = kFileHeaderBytes + kInfoHeaderBytes;
  file->assign(offset + pixelBytes + kScalerSlack, 0);
  std::vector<uint8_t>& out = *file;
  out[0] = 'B';
  out[1] = 'M';
  PutU32(out, 2, static_cast<uint32_t>(offset + pixelBytes));
  PutU32(out, 10, static_cast<uint32_t>(offset));
  PutU32(out, 14, kInfoHeaderBytes);
  PutU32(out, 18, static_cast<uint32_t>(width));
  PutU32(out, 22, static_cast<uint32_t>(height));  // positive: bottom-up
  PutU16(out, 26, 1);                              // planes
  PutU16(out, 28, 24);                             // bits per pixel
  PutU32(out, 34, static_cast<uint32_t>(pixelBytes));
  PutU32(out, 38, 2835);  // 72 dpi
  PutU32(out, 42, 2835);

  AVPixelFormat format = AV_PIX_FMT_NONE;
  const uint8_t* planes[4];
  int lineSizes[4];
  DescribeFrame(kFrameYv12, yv12, width, height, &format, planes, lineSizes);
  SwsContext* scaler = sws_getContext(width, height, format, width, height, AV_PIX_FMT_BGR24,
                                      SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
  if (scaler == nullptr) return false;
  // Writing the last row first with a negative stride turns the picture
  // bottom-up in the same pass.
  uint8_t* const targets[4] = {out.data() + offset + rowBytes * (height - 1), nullptr, nullptr,
                               nullptr};
  const int targetStrides[4] = {-static_cast<int>(rowBytes), 0, 0, 0};
  const int rows = sws_scale(scaler, planes, lineSizes, 0, height, targets, targetStrides);
  sws_freeContext(scaler);
  file->resize(offset + pixelBytes);
  return rows == height;
}

bool WriteWhole(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = WriteWhole(fd, bytes);
  const bool closed = close(fd) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int32_t WriteBmpFile(const uint8_t* frame, size_t frameSize, int width, int height,
                     int32_t frameType, const char* fileName) {
  if (frame == nullptr || fileName == nullptr || fileName[0] == '\0') return kInvalidArgument;
  const size_t needed = FrameBytes(frameType, width, height);
  if (needed == 0 || frameSize < needed) return kInvalidArgument;

  // The caller's frame is exactly |needed| long; the scaler reads past that.
  std::vector<uint8_t> source(needed + kScalerSlack);
  std::copy(frame, frame + needed, source.begin());
  std::vector<uint8_t> converted;
  const uint8_t* yv12 = source.data();
  if (frameType != kFrameYv12) {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    const uint8_t* planes[4];
    int lineSizes[4];
    DescribeFrame(frameType, source.data(), width, height, &format, planes, lineSizes);
    Yv12Converter converter;
    if (!converter.Convert(format, planes, lineSizes, width, height, &converted)) {
      return kOutOfMemory;
    }
    yv12 = converted.data();
  }
  std::vector<uint8_t> file;
  if (!EncodeBmp(yv12, width, height, &file)) return kOutOfMemory;
  return WriteFileAtomically(fileName, file) ? kNoError : kFileOperationFailed;
}

}  // namespace m4
