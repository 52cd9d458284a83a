// A stream as the viewer plays it: the header that Play_OpenStream takes and
// the payload that Play_InputData is fed with.
#ifndef KELO_DEMO_VIEWER_STREAM_FILE_H
#define KELO_DEMO_VIEWER_STREAM_FILE_H

#include <cstdint>
#include <string>
#include <vector>

namespace demo_viewer {

struct StreamFile {
  std::string name;  // file name without directories, for captions
  std::vector<uint8_t> header;
  std::vector<uint8_t> payload;
  // A live source's address (udp://, tcp://, rtsp://) instead of a file:
  // its header comes from what the source announces, its payload as it
  // arrives.
  std::string address;
};

// Reads a stream file that starts with a stream header of |headerLength|
// bytes (what Play_GetHeadLen reports) followed by the payload. False with a
// reason in |error| when the file cannot be read or holds no payload.
bool LoadStreamFile(const std::string& path, uint32_t headerLength, StreamFile* stream,
                    std::string* error);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_STREAM_FILE_H
