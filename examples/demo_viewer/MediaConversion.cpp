#include "MediaConversion.h"

#include <filesystem>

namespace demo_viewer {

bool IsStreamFile(const std::string& path) {
  return std::filesystem::path(path).extension() == kStreamFileExtension;
}

std::string ConvertedStreamPath(const std::string& media, const std::string& directory) {
  return (std::filesystem::path(directory) / std::filesystem::path(media).stem()).string() +
         kStreamFileExtension;
}

}  // namespace demo_viewer
