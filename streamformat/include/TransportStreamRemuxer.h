// Copies the chosen streams of a source that libavformat reads into an MPEG
// transport stream, without re-encoding: how a container the decoder is not
// given as it is (a file for m4stream, an RTSP source for the demo viewer)
// becomes a payload. The bytes go to a sink as the muxer writes them.
#ifndef M4_TRANSPORT_STREAM_REMUXER_H
#define M4_TRANSPORT_STREAM_REMUXER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "HeaderFromFormat.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace streamformat {

class TransportStreamRemuxer {
 public:
  using Sink = std::function<void(const uint8_t* data, size_t size)>;

  struct Options {
    // The most bytes the sink is given at a time.
    int pieceBytes = 32 * 1024;
    // A file's packets are put in time order before they are written; a
    // live source's go out as they come, each at once.
    bool live = false;
    // Each video packet says how long it is, so that a demuxer can pass a
    // picture on without waiting for the next one to begin.
    bool videoPesLength = false;
  };

  TransportStreamRemuxer(Sink sink, Options options);
  ~TransportStreamRemuxer();
  TransportStreamRemuxer(const TransportStreamRemuxer&) = delete;
  TransportStreamRemuxer& operator=(const TransportStreamRemuxer&) = delete;

  // Writes the transport stream's tables for |input|'s |chosen| streams; an
  // FFmpeg error code. |input| must outlive the remuxer.
  int Start(const AVFormatContext* input, const ChosenStreams& chosen);
  // The transport stream's id (PID) for |input|'s stream |inputIndex|.
  int OutputStreamId(int inputIndex) const;
  // Writes a packet read from the input, and nothing for a stream that is
  // not carried; an FFmpeg error code. The caller still unreferences it.
  int Write(AVPacket* packet);
  // Writes what the muxer still holds; an FFmpeg error code.
  int Finish();

 private:
  static int WriteOutput(void* opaque, uint8_t* buffer, int size);

  const Sink sink_;
  const Options options_;
  const AVFormatContext* input_ = nullptr;
  AVFormatContext* output_ = nullptr;
  AVIOContext* outputIo_ = nullptr;
  std::vector<int> outputIndex_;  // by input stream; -1 when not carried
};

}  // namespace streamformat

#endif
