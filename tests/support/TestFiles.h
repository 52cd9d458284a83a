// Temporary directories and file helpers for tests. Paths use "/" on every
// platform, and directory paths end in "/".
#ifndef KELO820_TESTS_SUPPORT_TESTFILES_H
#define KELO820_TESTS_SUPPORT_TESTFILES_H

#include <string>
#include <vector>

namespace tests {

// The line end that text-mode files get on this platform.
#if defined(_WIN32)
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Byte for byte, as stored.
std::string ReadBytes(const std::string& path);
// With the platform's line ends turned into "\n".
std::string ReadText(const std::string& path);
bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
void MakeDirectories(const std::string& path);
// Replaces "\n" by the platform's line end.
std::string WithLineEnds(const std::string& text);

// One entry of a log file read with ReadText: the timestamp and the three
// label/value pairs.
struct LogEntry {
  std::string timestamp;
  std::string label[3];
  std::string value[3];
};
// Splits a log's text into entries. An entry starts with "\n[" and a
// timestamp line; the last value of an entry may span lines.
std::vector<LogEntry> ParseLog(const std::string& text);
std::vector<LogEntry> ReadLog(const std::string& path);
// The entries laid out again as the log writes them: equal to the text they
// were parsed from only when every entry in it is whole.
std::string LogText(const std::vector<LogEntry>& entries);

}  // namespace tests

#endif  // KELO820_TESTS_SUPPORT_TESTFILES_H
