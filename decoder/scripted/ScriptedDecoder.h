// Control interface of the scripted decoder: a stand-in for the decoder
// library that tests drive. It records every call in order, fails calls on
// request, answers configured values and delivers display frames from a
// thread of its own. C linkage so that it crosses DLL boundaries.
#ifndef SCRIPTED_DECODER_H
#define SCRIPTED_DECODER_H

#include <stdint.h>

#include "m4playerApi.h"

#ifdef __cplusplus
extern "C" {
#endif

// Back to the initial script: no failures, no recorded calls, every answer at
// its default (picture 352x288, remain 0, header length 40, error code 0,
// no frames delivered, bitmap writing on).
M4API void Scripted_Reset(void);

// Failure plans for one function, named as declared ("PlayM4_InputData").
// Plans add up; a call fails when any plan says so.
M4API void Scripted_FailAlways(const char* function);
// Only the nth call (1 = the next one) from now fails.
M4API void Scripted_FailNthCall(const char* function, int32_t n);
// The next k calls fail.
M4API void Scripted_FailNextCalls(const char* function, int32_t k);

// What PlayM4_GetLastError(port) answers.
M4API void Scripted_SetLastError(int32_t port, int32_t code);
// Answers of PlayM4_GetPictureSize, PlayM4_GetSourceBufferRemain and
// PlayM4_GetFileHeadLength.
M4API void Scripted_SetPictureSize(int32_t width, int32_t height);
M4API void Scripted_SetSourceBufferRemain(uint32_t bytes);
M4API void Scripted_SetFileHeadLength(uint32_t length);

// Installing a display callback starts a thread that delivers this many
// frames to it (frame type 1, the configured picture size). Removing the
// callback (null) waits until that thread has finished, so all frames have
// been delivered by the time PlayM4_SetDisplayCallBack(port, null) returns.
M4API void Scripted_SetFramesPerCallback(int32_t frames);
// Delivers |frames| frames, from a thread of the decoder's own, to the
// callback last installed on |port|, even if it has been removed since: a
// late frame, as a decoder may still hand one over while a callback goes.
// Returns once they are delivered; nothing when no callback was installed.
M4API void Scripted_DeliverLateFrames(int32_t port, int32_t frames);
// Whether PlayM4_ConvertToBmpFile writes its small file (nonzero) or fails.
// The file's one pixel has the grey of the frame's first byte, and each
// port's frames have a grey of their own (0x10 + port), so a file tells
// which port's picture it holds.
M4API void Scripted_SetBmpWriting(int32_t enabled);
// A conversion to |fileName| waits, on the thread that asked for it, until
// Scripted_ReleaseConversionsTo(fileName) or Scripted_ReleaseConversions():
// a slow conversion, held for as long as a test needs. Several names may be
// held at once. Scripted_WaitForHeldConversion(fileName) returns once a
// conversion to |fileName| waits.
M4API void Scripted_HoldConversionsTo(const char* fileName);
M4API void Scripted_WaitForHeldConversion(const char* fileName);
M4API void Scripted_ReleaseConversionsTo(const char* fileName);
M4API void Scripted_ReleaseConversions(void);

// The recorded calls, oldest first. Each is the function name and its
// arguments, e.g. "PlayM4_OpenStream(3,94032,40,51200)": integers in decimal,
// addresses as decimal numbers (0 for null), a RECT as {l,t,r,b} (null when
// the address is null), a callback as "callback" or "null", a file name as is.
M4API int32_t Scripted_CallCount(void);
// Copies call |index| into |buffer| (zero-terminated, cut to |size|);
// returns its full length, or -1 when there is no such call.
M4API int32_t Scripted_GetCall(int32_t index, char* buffer, int32_t size);
M4API void Scripted_ClearCalls(void);

#ifdef __cplusplus
}
#endif

#endif  // SCRIPTED_DECODER_H
