// The last failure of each port, and of calls that name no valid port
// (ConvertToBmpFile, StopSound, a port out of range). GetLastError(port)
// answers whichever of the port's own failure and the port-less one happened
// later, so that a failed ConvertToBmpFile is visible to the caller that asks
// about its port right afterwards.
#ifndef M4_FFMPEG_LAST_ERROR_H
#define M4_FFMPEG_LAST_ERROR_H

#include <cstdint>

namespace decoder_ffmpeg {

void RecordError(int32_t port, int32_t code);
void RecordPortlessError(int32_t code);
int32_t LastError(int32_t port);

}  // namespace decoder_ffmpeg

#endif
