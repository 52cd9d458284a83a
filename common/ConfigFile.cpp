#include "ConfigFile.h"

#include <cstring>

#include "Platform.h"

namespace common {

namespace {

constexpr size_t kPieceBuffer = 100;  // one read takes at most 99 characters

// Reads the file as a text file read in pieces of at most 99 characters,
// each ending at a line feed if one comes first: a longer line is read as
// several pieces, each looked at on its own.
class ConfigReader {
 public:
  explicit ConfigReader(const std::string& path)
      : opened_(platform::CurrentPlatform().ReadText(path, &text_)) {}

  bool opened() const { return opened_; }

  // Reads the next piece that carries a token, skipping comments and pieces
  // without one. False at end of file.
  bool NextToken() {
    for (;;) {
      if (!NextPiece()) return false;
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
  // The next piece into |piece_|, zero-terminated; false at the end.
  bool NextPiece() {
    if (read_ >= text_.size()) return false;
    std::memset(piece_, 0, sizeof piece_);
    size_t length = 0;
    while (length < kPieceBuffer - 1 && read_ < text_.size()) {
      const char c = text_[read_++];
      piece_[length++] = c;
      if (c == '\n') break;
    }
    return true;
  }

  std::string text_;  // before |opened_|, which reads into it
  bool opened_;
  size_t read_ = 0;
  char piece_[kPieceBuffer] = {};
  const char* open_ = nullptr;
  std::string token_;
};

}  // namespace

int ReadConfigValue(const std::string& path, const std::string& section, const std::string& key,
                    std::string* value) {
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

}  // namespace common
