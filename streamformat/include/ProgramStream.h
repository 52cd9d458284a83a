// The packets of an MPEG program stream as cameras send them, read as far as
// the decoder and m4stream need: where each packet ends, where a PES
// packet's payload starts, and their G.711 sound. Cameras send their
// microphone's sound as G.711 (A-law or mu-law, 8 kHz) under an MPEG audio
// stream id, naming it in their program stream map as stream type 0x90 or
// 0x91 (ProgramStreamMap.h), which libavformat does not know.
#ifndef M4_PROGRAM_STREAM_H
#define M4_PROGRAM_STREAM_H

#include <cstddef>
#include <cstdint>

namespace streamformat {

// Start codes and stream ids of the systems layer.
constexpr uint8_t kEndCode = 0xB9;
constexpr uint8_t kPackCode = 0xBA;
constexpr uint8_t kMapId = 0xBC;
constexpr uint8_t kPrivateId = 0xBD;
constexpr uint8_t kPaddingId = 0xBE;
constexpr uint8_t kFirstAudioId = 0xC0;
constexpr uint8_t kLastAudioId = 0xDF;
constexpr uint8_t kFirstVideoId = 0xE0;
constexpr uint8_t kLastVideoId = 0xEF;

// A map, or a picture interval's G.711 (320 bytes at 25 pictures a second),
// takes a few hundred bytes. A length beyond this is damage: trusted, it
// would hold back the video behind it until that many bytes had come, and
// then take them away from it.
constexpr size_t kLongestSmallPacket = 4096;

enum class G711Law { kNone, kALaw, kMuLaw };

// The law a decoder name stands for ("pcm_alaw", "pcm_mulaw"), else kNone.
G711Law G711LawOf(const char* decoderName);
// The decoder name of a law; empty for kNone.
const char* G711DecoderName(G711Law law);

// A 16-bit field of the systems layer, most significant byte first.
inline size_t SystemsU16(const uint8_t* at) { return static_cast<size_t>(at[0] << 8 | at[1]); }

// Whether the header of the systems packet at |packet| (a start code, then
// |have| - 4 bytes known) is in; then sets the packet's whole |size|.
bool SystemsPacketSize(const uint8_t* packet, size_t have, size_t* size);
// Where a PES packet's payload starts (the whole size when it has none).
size_t PesPayloadOffset(const uint8_t* packet, size_t size);

// The law of the first G.711 packet in the program stream |bytes|, as the
// stream's own map names it; kNone when it has none. Damaged packets are
// passed over as the decoder passes them over.
G711Law FirstG711Law(const uint8_t* bytes, size_t size);

}  // namespace streamformat

#endif
