#include "BmpWriter.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

#include "BmpFile.h"
#include "ErrorCode.h"
#include "FrameFormat.h"
#include "SystemServices.h"
#include "Yv12Converter.h"

namespace decoder_ffmpeg {
namespace {

// Bottom-up BGR rows, converted from |yv12| into the file's pixel area.
bool EncodeBmp(const uint8_t* yv12, int width, int height, std::vector<uint8_t>* file) {
  *file = decoder_common::NewImage(width, height);
  const size_t fileBytes = file->size();
  const size_t rowBytes = decoder_common::RowBytes(width);
  file->resize(fileBytes + kScalerSlack);
  AVPixelFormat format = AV_PIX_FMT_NONE;
  const uint8_t* planes[4];
  int lineSizes[4];
  DescribeFrame(kFrameYv12, yv12, width, height, &format, planes, lineSizes);
  SwsContext* scaler = sws_getContext(width, height, format, width, height, AV_PIX_FMT_BGR24,
                                      SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
  if (scaler == nullptr) return false;
  // Writing the last row first with a negative stride turns the picture
  // bottom-up in the same pass.
  uint8_t* const targets[4] = {
      file->data() + decoder_common::kPixelOffset + rowBytes * (height - 1), nullptr, nullptr,
      nullptr};
  const int targetStrides[4] = {-static_cast<int>(rowBytes), 0, 0, 0};
  const int rows = sws_scale(scaler, planes, lineSizes, 0, height, targets, targetStrides);
  sws_freeContext(scaler);
  file->resize(fileBytes);
  return rows == height;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  static std::atomic<unsigned> counter{0};
  SystemServices& system = TheSystemServices();
  const std::string temporary =
      path + ".tmp" + std::to_string(system.ProcessNumber()) + "-" + std::to_string(counter++);
  std::FILE* file = system.CreateNewFile(temporary);
  if (file == nullptr) return false;
  if (!decoder_common::WriteAndClose(file, bytes) || !system.MoveOver(temporary, path)) {
    std::remove(temporary.c_str());
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

}  // namespace decoder_ffmpeg
