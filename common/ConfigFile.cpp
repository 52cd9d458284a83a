#include "ConfigFile.h"

#include <cstdio>
#include <cstring>

namespace kelo {

namespace {

constexpr int kPieceBuffer = 100;  // one read takes at most 99 characters

class ConfigReader {
 public:
  explicit ConfigReader(const std::string& path) : file_(std::fopen(path.c_str(), "r")) {}
  ~ConfigReader() {
    if (file_ != nullptr) std::fclose(file_);
  }
  ConfigReader(const ConfigReader&) = delete;
  ConfigReader& operator=(const ConfigReader&) = delete;

  bool opened() const { return file_ != nullptr; }

  // Reads the next piece that carries a token, skipping comments and pieces
  // without one. False at end of file.
  bool NextToken() {
    for (;;) {
      std::memset(piece_, 0, sizeof piece_);
      if (std::fgets(piece_, kPieceBuffer, file_) == nullptr) return false;
      if (piece_[0] == '#') continue;
      open_ = std::strchr(piece_, '[');
      if (open_ == nullptr) continue;
      const char* close = std::strchr(open_ + 1, ']');
      if (close == nullptr) continue;
      token_.assign(open_ + 1, close);
      return true;
    }
  }

  const std::string& token() const { return token_; }

  // The bracketed value that follows the current token's "[".
  bool ValueAfterToken(std::string* value) const {
    const char* valueOpen = std::strchr(open_ + 1, '[');
    if (valueOpen == nullptr) return false;
    const char* valueClose = std::strchr(valueOpen + 1, ']');
    if (valueClose == nullptr) return false;
    value->assign(valueOpen + 1, valueClose);
    return true;
  }

 private:
  std::FILE* file_;
  char piece_[kPieceBuffer] = {};
  const char* open_ = nullptr;
  std::string token_;
};

}  // namespace

int ReadConfigValue(const std::string& path, const std::string& section,
                    const std::string& key, std::string* value) {
  ConfigReader reader(path);
  if (!reader.opened()) return -1;
  do {
    if (!reader.NextToken()) return -1;
  } while (reader.token() != section);
  do {
    if (!reader.NextToken()) return -1;
  } while (reader.token() != key);
  return reader.ValueAfterToken(value) ? 0 : -1;
}

}  // namespace kelo
