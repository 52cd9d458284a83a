// The thread that hands decoded frames to an installed display callback.
#ifndef SCRIPTED_FRAME_DELIVERY_H
#define SCRIPTED_FRAME_DELIVERY_H

#include <cstdint>
#include <thread>

#include "m4playerApi.h"

namespace scripted {

// Calls |callback| |frames| times from a new thread with a YV12 frame of
// width x height filled with the port's grey (frame type 1, time stamps 0,
// 40, 80... as at 25 frames a second, though delivered as fast as the
// callback returns).
uint8_t PortGrey(int32_t port);

std::thread StartFrameDelivery(int32_t port, M4DisplayCallback callback, int32_t frames,
                               int32_t width, int32_t height);

}  // namespace scripted

#endif  // SCRIPTED_FRAME_DELIVERY_H
