// Control of the accepting decoder, a build of the decoder library that
// succeeds at every call without doing any work: the floor that the player's
// own cost is measured against.
#ifndef KELO820_BENCH_ACCEPTINGDECODER_H
#define KELO820_BENCH_ACCEPTINGDECODER_H

#include <stdint.h>

#include "m4playerApi.h"

#ifdef __cplusplus
extern "C" {
#endif

// Nonzero: PlayM4_InputData copies each block into a source buffer of its
// own, as a decoder takes in a stream. Zero (the default): it takes the
// block without reading it.
M4API void Accepting_SetCopyInput(int32_t copy);

#ifdef __cplusplus
}
#endif

#endif  // KELO820_BENCH_ACCEPTINGDECODER_H
