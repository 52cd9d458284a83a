#include "ChannelOperations.h"

#include "GbkTexts.h"

namespace kelo_test {

namespace gbk = kelo::gbk;

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
      {"SetOpenMode", "Play_SetOpenMode", gbk::kTraceSetOpenMode, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetOpenMode(c, 0); }},
      {"OpenStream", "Play_OpenStream", gbk::kTraceOpenStream, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) {
         return p.Play_OpenStream(nullptr, c, kHeader, sizeof kHeader, 0);
       }},
      {"InputData", "Play_InputData", gbk::kTraceInputData, 2,
       [](SinglePlayer& p, int32_t c, OutValues&) {
         return p.Play_InputData(c, kBlock, sizeof kBlock, 0);
       }},
      {"CloseStream", "Play_CloseStream", gbk::kTraceCloseStream, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_CloseStream(c); }},
      // Command 0 does nothing on a valid channel, so the channel comes first.
      {"PlayState", "Play_PlayState", gbk::kTracePlayState, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_PlayState(c, 0); }},
      {"Step", "Play_PlayState", gbk::kTracePlayState, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_PlayState(c, 9); }},
      {"GetPlayState", "Play_GetPlayState", gbk::kTraceGetPlayState, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetPlayState(c, &o.value); }},
      {"SetVolume", "Play_SetVolume", gbk::kTraceSetVolume, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetVolume(c, 50); }},
      {"GetVolume", "Play_GetVolume", gbk::kTraceGetVolume, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetVolume(c, &o.value); }},
      {"GetPicture", "Play_GetPicture", gbk::kTraceGetPicture, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetPicture(c, "unused.bmp"); }},
      {"SetOverlayMode", "Play_SetOverlayMode", gbk::kTraceSetOverlayMode, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetOverlayMode(c, 0x123456); }},
      {"GetPreviewMode", "Play_GetPreviewMode", gbk::kTraceGetPreviewMode, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_GetPreviewMode(c, &o.value, &o.unsignedValue);
       }},
      {"RefreshPlay", "Play_RefreshPlay", gbk::kTraceRefreshPlay, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_RefreshPlay(c); }},
      {"ShowDispRegion", "Play_SetDispRegion", gbk::kTraceSetDispRegion, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_SetDispRegion(c, 1, &o.rect);
       }},
      {"HideDispRegion", "Play_SetDispRegion", gbk::kTraceSetDispRegion, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_SetDispRegion(c, 0, &o.rect);
       }},
      {"GetDispRegion", "Play_GetDispRegion", gbk::kTraceGetDispRegion, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetDispRegion(c, &o.rect); }},
      {"GetPictureSize", "Play_GetPictureSize", gbk::kTraceGetPictureSize, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_GetPictureSize(c, &o.value, &o.second);
       }},
      {"SetPicQuality", "Play_SetPicQuality", gbk::kTraceSetPicQuality, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetPicQuality(c, 3); }},
      {"GetPicQuality", "Play_GetPicQuality", gbk::kTraceGetPicQuality, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetPicQuality(c, &o.value); }},
      {"SetVideoPara", "Play_SetVideoPara", gbk::kTraceSetVideoPara, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_SetVideoPara(c, &o.para, 1); }},
      {"GetVideoPara", "Play_GetVideoPara", gbk::kTraceGetVideoPara, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetVideoPara(c, &o.para); }},
      {"ThrowFrame", "Play_ThrowFrame", gbk::kTraceThrowFrame, 2,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_ThrowFrame(c, 1); }},
      {"GetThrowNum", "Play_GetThrowNum", gbk::kTraceGetThrowNum, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) { return p.Play_GetThrowNum(c, &o.value); }},
      {"ClearBuffer", "Play_ClearBuffer", gbk::kTraceClearBuffer, 1,
       [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_ClearBuffer(c); }},
      {"GetBufferRemainDataSize", "Play_GetBufferRemainDataSize", gbk::kTraceGetBufferRemain, 1,
       [](SinglePlayer& p, int32_t c, OutValues& o) {
         return p.Play_GetBufferRemainDataSize(c, &o.unsignedValue);
       }},
  };
  return operations;
}

}  // namespace kelo_test
