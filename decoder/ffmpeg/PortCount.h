// How many ports the library has, numbered from 0: one place, so that the
// port table, the error records and every range check agree.
#ifndef M4_FFMPEG_PORT_COUNT_H
#define M4_FFMPEG_PORT_COUNT_H

#include <cstdint>

namespace decoder_ffmpeg {

constexpr int32_t kPortCount = 32;

inline bool IsPort(int32_t port) { return port >= 0 && port < kPortCount; }

}  // namespace decoder_ffmpeg

#endif
