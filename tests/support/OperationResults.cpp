#include "OperationResults.h"

#include "Kelo820_PlaySDKCodes.h"

namespace tests {

namespace {

using namespace kelo820;

constexpr bool kDecoder = true;
constexpr bool kOwnOnly = false;

}  // namespace

const std::vector<OperationResults>& OperationResultTable() {
  // Every operation may run out of memory (7); every one with a channel
  // or an address refuses a bad one (2).
  static const std::vector<OperationResults> table = {
      {"Play_InitDDraw", {kOk, kNoSystemDirectory, kOutOfMemory}, kOwnOnly},
      {"Play_ReleaseDDraw", {kOk, kOutOfMemory}, kOwnOnly},
      {"Play_SetOverlayMode", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_GetPreviewMode", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_SetOpenMode", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_OpenStream", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_InputData",
       {kOk, kInvalidArgument, kOutOfOrder, kInputRefused, kOutOfMemory},
       kDecoder},
      {"Play_CloseStream", {kOk, kInvalidArgument, kOutOfOrder, kOutOfMemory}, kDecoder},
      {"Play_PlayState", {kOk, kInvalidArgument, kOutOfOrder, kOutOfMemory}, kDecoder},
      {"Play_GetPlayState", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_SetVolume", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_GetVolume", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_GetPicture", {kOk, kInvalidArgument, kNoPictureCaptured, kOutOfMemory}, kDecoder},
      {"Play_RefreshPlay", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_GetHeadLen", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_GetPictureSize", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_SetPicQuality", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_GetPicQuality", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_ThrowFrame", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_GetThrowNum", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_SetVideoPara", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_GetVideoPara", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_SetDispRegion", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_GetDispRegion", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
      {"Play_ClearBuffer", {kOk, kInvalidArgument, kOutOfMemory}, kDecoder},
      {"Play_GetBufferRemainDataSize", {kOk, kInvalidArgument, kOutOfMemory}, kOwnOnly},
  };
  return table;
}

std::set<int32_t> PossibleResults(const std::string& name) {
  for (const OperationResults& row : OperationResultTable()) {
    if (name != row.name) continue;
    std::set<int32_t> results = row.own;
    if (row.reportsDecoderFailures) {
      for (int32_t code = 1; code <= 23; ++code) results.insert(code + 1);
      results.insert(kUnknownDecoderError);
    }
    return results;
  }
  return {};
}

}  // namespace tests
