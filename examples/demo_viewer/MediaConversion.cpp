#include "MediaConversion.h"

#include <filesystem>

namespace demo {

bool IsStreamFile(const std::string& path) {
  return std::filesystem::path(path).extension() == kStreamFileExtension;
}

std::string ConvertedStreamPath(const std::string& media, const std::string& directory) {
  return (std::filesystem::path(directory) / std::filesystem::path(media).stem()).string() +
         kStreamFileExtension;
}

}  // namespace demo
