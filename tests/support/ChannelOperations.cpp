#include "ChannelOperations.h"

#include "GbkTexts.h"

namespace tests {

bool Untouched(const OutValues& out) {
  const OutValues initial;
  return out.value == initial.value && out.second == initial.second &&
         out.unsignedValue == initial.unsignedValue && out.rect.left == initial.rect.left &&
         out.rect.top == initial.rect.top && out.rect.right == initial.rect.right &&
         out.rect.bottom == initial.rect.bottom && out.para.reserved1 == initial.para.reserved1 &&
         out.para.value1 == initial.para.value1 && out.para.value2 == initial.para.value2 &&
         out.para.value3 == initial.para.value3 && out.para.value4 == initial.para.value4 &&
         out.para.reserved2 == initial.para.reserved2;
}

namespace {

const uint8_t kHeader[40] = {1, 2, 3};
const uint8_t kBlock[64] = {9};

}  // namespace

const std::vector<ChannelOperation>& ChannelOperations() {
  static const std::vector<ChannelOperation> operations = {
      {"SetOpenMode", "Play_SetOpenMode", common::kTraceSetOpenMode, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetOpenMode(c, 0); }},
      {"OpenStream", "Play_OpenStream", common::kTraceOpenStream, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) {
         return p.Play_OpenStream(nullptr, c, kHeader, sizeof kHeader, 0);
       }},
      {"InputData", "Play_InputData", common::kTraceInputData, 2,
       [](SinglePlayer& p, int32_t c, OutValues&) {
         return p.Play_InputData(c, kBlock, sizeof kBlock, 0);
       }},
      {"CloseStream", "Play_CloseStream", common::kTraceCloseStream, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_CloseStream(c); }},
      // Command 0 does nothing on a valid channel, so the channel comes first.
      {"PlayState", "Play_PlayState", common::kTracePlayState, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_PlayState(c, 0); }},
      {"Step", "Play_PlayState", common::kTracePlayState, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_PlayState(c, 9); }},
      {"GetPlayState", "Play_GetPlayState", common::kTraceGetPlayState, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetPlayState(c, &o.value); }},
      {"SetVolume", "Play_SetVolume", common::kTraceSetVolume, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetVolume(c, 50); }},
      {"GetVolume", "Play_GetVolume", common::kTraceGetVolume, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetVolume(c, &o.value); }},
      {"GetPicture", "Play_GetPicture", common::kTraceGetPicture, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetPicture(c, "unused.bmp"); }},
      {"SetOverlayMode", "Play_SetOverlayMode", common::kTraceSetOverlayMode, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetOverlayMode(c, 0x123456); }},
      {"GetPreviewMode", "Play_GetPreviewMode", common::kTraceGetPreviewMode, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_GetPreviewMode(c, &o.value, &o.unsignedValue);
       }},
      {"RefreshPlay", "Play_RefreshPlay", common::kTraceRefreshPlay, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_RefreshPlay(c); }},
      {"ShowDispRegion", "Play_SetDispRegion", common::kTraceSetDispRegion, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_SetDispRegion(c, 1, &o.rect);
       }},
      {"HideDispRegion", "Play_SetDispRegion", common::kTraceSetDispRegion, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_SetDispRegion(c, 0, &o.rect);
       }},
      {"GetDispRegion", "Play_GetDispRegion", common::kTraceGetDispRegion, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetDispRegion(c, &o.rect); }},
      {"GetPictureSize", "Play_GetPictureSize", common::kTraceGetPictureSize, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_GetPictureSize(c, &o.value, &o.second);
       }},
      {"SetPicQuality", "Play_SetPicQuality", common::kTraceSetPicQuality, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetPicQuality(c, 3); }},
      {"GetPicQuality", "Play_GetPicQuality", common::kTraceGetPicQuality, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetPicQuality(c, &o.value); }},
      {"SetVideoPara", "Play_SetVideoPara", common::kTraceSetVideoPara, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_SetVideoPara(c, &o.para, 1); }},
      {"GetVideoPara", "Play_GetVideoPara", common::kTraceGetVideoPara, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetVideoPara(c, &o.para); }},
      {"ThrowFrame", "Play_ThrowFrame", common::kTraceThrowFrame, 2,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_ThrowFrame(c, 1); }},
      {"GetThrowNum", "Play_GetThrowNum", common::kTraceGetThrowNum, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetThrowNum(c, &o.value); }},
      {"ClearBuffer", "Play_ClearBuffer", common::kTraceClearBuffer, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_ClearBuffer(c); }},
      {"GetBufferRemainDataSize", "Play_GetBufferRemainDataSize", common::kTraceGetBufferRemain, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_GetBufferRemainDataSize(c, &o.unsignedValue);
       }},
  };
  return operations;
}

}  // namespace tests
