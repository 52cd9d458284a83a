#include "TestFiles.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tests {

namespace fs = std::filesystem;

namespace {

std::string DirectoryString(const fs::path& path) {
  std::string text = path.generic_string();
  if (text.empty() || text.back() != '/') text.push_back('/');
  return text;
}

bool IsTimestampLine(const std::string& text, size_t at) {
  // "[MM-DD hh:mm:ss.cc]"
  static const char kShape[] = "[00-00 00:00:00.00]";
  if (text.size() < at + sizeof kShape - 1) return false;
  for (size_t i = 0; i + 1 < sizeof kShape; ++i) {
    const char want = kShape[i];
    const char have = text[at + i];
    if (want == '0' ? (have < '0' || have > '9') : have != want) return false;
  }
  return true;
}

}  // namespace

TempDirectory::TempDirectory() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    fs::path candidate = fs::temp_directory_path() /
                         ("kelo820-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (fs::create_directory(candidate)) {
      path_ = DirectoryString(candidate);
      return;
    }
  }
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  fs::remove_all(fs::path(path_), ignored);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string ReadText(const std::string& path) {
  std::string bytes = ReadBytes(path);
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(bytes[i]);
  }
  return text;
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::path(path), ignored);
}

bool IsDirectory(const std::string& path) {
  std::error_code ignored;
  return fs::is_directory(fs::path(path), ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void MakeDirectories(const std::string& path) { fs::create_directories(fs::path(path)); }

std::string WithLineEnds(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += kLineEnd;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::vector<LogEntry> ParseLog(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t at = text.find("\n["); at != std::string::npos; at = text.find("\n[", at + 1)) {
    if (IsTimestampLine(text, at + 1)) starts.push_back(at);
  }
  std::vector<LogEntry> entries;
  for (size_t i = 0; i < starts.size(); ++i) {
    const size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
    const std::string body = text.substr(starts[i] + 1, end - starts[i] - 1);
    LogEntry entry;
    entry.timestamp = body.substr(1, 17);
    size_t at = 20;  // past "[timestamp]\n"
    for (int pair = 0; pair < 3; ++pair) {
      const size_t colon = body.find(":[", at);
      if (colon == std::string::npos) break;
      entry.label[pair] = body.substr(at, colon - at);
      // The last value runs to the entry's closing "]\n"; the others to the
      // first "]\n".
      const size_t close = pair < 2 ? body.find("]\n", colon + 2) : body.rfind("]\n");
      if (close == std::string::npos || close < colon + 2) break;
      entry.value[pair] = body.substr(colon + 2, close - colon - 2);
      at = close + 2;
    }
    entries.push_back(entry);
  }
  return entries;
}

std::vector<LogEntry> ReadLog(const std::string& path) { return ParseLog(ReadText(path)); }

std::string LogText(const std::vector<LogEntry>& entries) {
  std::string text;
  for (const LogEntry& entry : entries) {
    text += "\n[" + entry.timestamp + "]\n";
    for (int pair = 0; pair < 3; ++pair) {
      text += entry.label[pair] + ":[" + entry.value[pair] + "]\n";
    }
  }
  return text;
}

}  // namespace tests
