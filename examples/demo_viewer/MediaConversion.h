// Turning a media file into a stream file with the decoder's stream tool
// (m4stream), so that the viewer plays any file FFmpeg reads.
#ifndef KELO_DEMO_VIEWER_MEDIA_CONVERSION_H
#define KELO_DEMO_VIEWER_MEDIA_CONVERSION_H

#include <string>

namespace demo_viewer {

// Stream files (header + payload) carry this extension; anything else is a
// media file to convert first.
constexpr const char* kStreamFileExtension = ".kst";

bool IsStreamFile(const std::string& path);

// The stream file that |media| becomes in |directory|: its base name with the
// stream file extension.
std::string ConvertedStreamPath(const std::string& media, const std::string& directory);

// Runs |tool| MEDIA OUTPUT and waits for it. False with a reason in |error|
// when it cannot be started or fails.
bool ConvertMediaFile(const std::string& tool, const std::string& media, const std::string& output,
                      std::string* error);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_MEDIA_CONVERSION_H
