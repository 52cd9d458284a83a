// The stream header for a source that libavformat has opened: what a sender
// puts before the payload it passes on (m4stream's files, the demo viewer's
// live sources).
#ifndef M4_HEADER_FROM_FORMAT_H
#define M4_HEADER_FROM_FORMAT_H

#include <string>

#include "StreamFormat.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace streamformat {

// The first video and audio streams (-1 when there is none): what a header
// announces and what remuxing carries.
struct ChosenStreams {
  int video = -1;
  int audio = -1;
};

ChosenStreams ChooseStreams(const AVFormatContext* input);

// The header announcing |input|'s chosen streams in |container| (the demuxer
// the payload will be read with). The frame rate is the stream's average,
// else the one libavformat guessed from its time stamps, brought within the
// header's 16-bit fields; 0/0 when neither is known.
StreamHeader HeaderFromFormat(const AVFormatContext* input, const std::string& container);

}  // namespace streamformat

#endif
