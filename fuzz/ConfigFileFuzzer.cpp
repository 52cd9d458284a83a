// Feeds the configuration reader random files, sections and keys and compares
// every answer with a reference reader written from the file format alone.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ConfigFile.h"
#include "TestFiles.h"

namespace {

constexpr size_t kPieceLength = 99;

// The file as the reader sees it: reads of at most 99 characters that end
// early after a line end, each judged as a C string (up to its first NUL).
std::vector<std::string> Pieces(const std::string& bytes) {
  std::vector<std::string> pieces;
  for (size_t at = 0; at < bytes.size();) {
    size_t end = std::min(bytes.size(), at + kPieceLength);
    const size_t lineEnd = bytes.find('\n', at);
    if (lineEnd != std::string::npos && lineEnd < end) end = lineEnd + 1;
    const std::string piece = bytes.substr(at, end - at);
    pieces.push_back(piece.substr(0, piece.find('\0')));
    at = end;
  }
  return pieces;
}

int ReferenceRead(const std::string& bytes, const std::string& section, const std::string& key,
                  std::string* value) {
  bool inSection = false;
  for (const std::string& piece : Pieces(bytes)) {
    if (!piece.empty() && piece[0] == '#') continue;
    const size_t open = piece.find('[');
    if (open == std::string::npos) continue;
    const size_t close = piece.find(']', open + 1);
    if (close == std::string::npos) continue;
    const std::string token = piece.substr(open + 1, close - open - 1);
    if (!inSection) {
      inSection = token == section;
      continue;
    }
    if (token != key) continue;
    const size_t valueOpen = piece.find('[', open + 1);
    if (valueOpen == std::string::npos) return -1;
    const size_t valueClose = piece.find(']', valueOpen + 1);
    if (valueClose == std::string::npos) return -1;
    *value = piece.substr(valueOpen + 1, valueClose - valueOpen - 1);
    return 0;
  }
  return -1;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const tests::TempDirectory directory;
  static const std::string path = directory.path() + "Q81.cfg";

  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(24);
  const std::string key = input.ConsumeRandomLengthString(24);
  const std::string contents = input.ConsumeRemainingBytesAsString();
  tests::WriteBytes(path, contents);

  const std::string untouched = "\x01untouched";
  std::string value = untouched;
  const int found = common::ReadConfigValue(path, section, key, &value);
  std::string expected = untouched;
  Check(found == ReferenceRead(contents, section, key, &expected));
  Check(value == expected);
  if (found == 0) Check(contents.find(value) != std::string::npos);
  return 0;
}
