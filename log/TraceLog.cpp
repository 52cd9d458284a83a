#include "TraceLog.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "Platform.h"
#include "ProductPaths.h"

namespace logging {

namespace {

// A run of bytes that an entry copies; an entry's value may be made of
// several (an error's words, a line feed and the failed call's name).
struct Piece {
  const char* data;
  size_t size;
};

Piece Text(const char* text) { return Piece{text, std::strlen(text)}; }
Piece Text(const std::string& text) { return Piece{text.data(), text.size()}; }

struct Pair {
  Piece label;
  Piece value[4];  // joined; unused pieces are empty
};

// Entries are laid out here when they fit, so that writing one takes
// nothing from the heap: most do, and an entry can then still be written
// when memory has run out.
constexpr size_t kEntryOnStack = 1024;
// "\n[MM-DD hh:mm:ss.cc]" with room for fields of any int's width.
constexpr size_t kTimestampRoom = 2 + 6 * 12;

class EntryLayout {
 public:
  explicit EntryLayout(char* out) : out_(out), at_(out) {}

  void Put(const Piece& piece) {
    std::memcpy(at_, piece.data, piece.size);
    at_ += piece.size;
  }
  void Put(char c) { *at_++ = c; }
  // What "%02d" makes of |value|: two digits for 0 to 99, which every field
  // of a valid time is, without the cost of printf.
  void PutTwoDigits(int value) {
    if (value >= 0 && value <= 99) {
      Put(static_cast<char>('0' + value / 10));
      Put(static_cast<char>('0' + value % 10));
      return;
    }
    at_ += std::snprintf(at_, 12, "%d", value);
  }
  // "%02u" of the hundredths, as the milliseconds' tenth.
  void PutHundredths(int millisecond) {
    const unsigned value = static_cast<unsigned>(millisecond / 10);
    if (value <= 99) {
      PutTwoDigits(static_cast<int>(value));
      return;
    }
    at_ += std::snprintf(at_, 12, "%02u", value);
  }
  size_t size() const { return static_cast<size_t>(at_ - out_); }

 private:
  char* out_;
  char* at_;
};

size_t LayoutEntry(char* out, const platform::LocalTime& now, const Pair (&pairs)[3]) {
  EntryLayout entry(out);
  entry.Put('\n');
  entry.Put('[');
  entry.PutTwoDigits(now.month);
  entry.Put('-');
  entry.PutTwoDigits(now.day);
  entry.Put(' ');
  entry.PutTwoDigits(now.hour);
  entry.Put(':');
  entry.PutTwoDigits(now.minute);
  entry.Put(':');
  entry.PutTwoDigits(now.second);
  entry.Put('.');
  entry.PutHundredths(now.millisecond);
  entry.Put(']');
  for (const Pair& pair : pairs) {
    entry.Put('\n');
    entry.Put(pair.label);
    entry.Put(':');
    entry.Put('[');
    for (const Piece& piece : pair.value) entry.Put(piece);
    entry.Put(']');
  }
  entry.Put('\n');
  return entry.size();
}

// Appends one entry to |file| and moves the file aside once it has grown
// past the limit. Caller holds the process-wide lock. An entry that cannot
// be built is dropped, as one that cannot be written is.
void AppendEntry(const std::string& file, const Pair (&pairs)[3]) noexcept {
  try {
    size_t room = kTimestampRoom + 1;
    for (const Pair& pair : pairs) {
      room += pair.label.size + 4;
      for (const Piece& piece : pair.value) room += piece.size;
    }
    char onStack[kEntryOnStack];
    std::unique_ptr<char[]> onHeap;
    char* out = onStack;
    if (room > sizeof onStack) {
      onHeap.reset(new char[room]);
      out = onHeap.get();
    }
    platform::Platform& platform = platform::CurrentPlatform();
    const size_t size = LayoutEntry(out, platform.Now(), pairs);
    platform::FileIdentity written;
    // The file is closed by now: an open file cannot be moved everywhere.
    if (platform.AppendText(file, out, size, TraceLog::kRotateAboveBytes, &written) >
        TraceLog::kRotateAboveBytes) {
      platform.MoveFileReplacing(file, file + ".bak", written);
    }
  } catch (...) {
  }
}

// The part of |path| after its last separator, of either kind.
const char* FileNameOf(const char* path) {
  const char* name = path;
  for (const char* at = path; *at != '\0'; ++at) {
    if (*at == '/' || *at == '\\') name = at + 1;
  }
  return name;
}

const Piece kNothing{"", 0};

Pair OnePiece(const char* label, Piece value) {
  return Pair{Text(label), {value, kNothing, kNothing, kNothing}};
}

void WriteErrorEntry(const std::string& file, const char* sourceFile, int32_t line,
                     int32_t errorCode, const Pair& errString) noexcept {
  char code[16];
  const int codeSize = std::snprintf(code, sizeof code, "%d", errorCode);
  char lineText[16];
  const int lineSize = std::snprintf(lineText, sizeof lineText, "%d]", line);
  // Laid out without a fixed-size buffer, so a long source name is kept whole.
  const Pair pairs[3] = {OnePiece("ErrCode", Piece{code, static_cast<size_t>(codeSize)}),
                         Pair{Text("Context"),
                              {Text("Source File: ["), Text(FileNameOf(sourceFile)),
                               Text("], LINE: ["), Piece{lineText, static_cast<size_t>(lineSize)}}},
                         errString};
  AppendEntry(file, pairs);
}

}  // namespace

TraceLog::TraceLog()
    : runtimeLogFile_(common::EarlyRuntimeLogFile()), errorLogFile_(common::EarlyErrorLogFile()) {}

void TraceLog::SetRuntimeLogFile(const std::string& path) {
  platform::ProcessWideLock lock;
  runtimeLogFile_ = path.empty() ? common::kEarlyRuntimeLogName : path;
}

void TraceLog::SetErrorLogFile(const std::string& path) {
  platform::ProcessWideLock lock;
  errorLogFile_ = path.empty() ? common::kEarlyErrorLogName : path;
}

std::string TraceLog::RuntimeLogFile() const {
  platform::ProcessWideLock lock;
  return runtimeLogFile_;
}

std::string TraceLog::ErrorLogFile() const {
  platform::ProcessWideLock lock;
  return errorLogFile_;
}

void TraceLog::WriteTrace(const char* s1, const char* s2, const char* s3, const char* s4,
                          const char* s5, const char* s6) noexcept {
  const Pair pairs[3] = {OnePiece(s1, Text(s2)), OnePiece(s3, Text(s4)), OnePiece(s5, Text(s6))};
  platform::ProcessWideLock lock;
  AppendEntry(runtimeLogFile_, pairs);
}

void TraceLog::WriteError(const char* sourceFile, int32_t line, int32_t errorCode,
                          const std::string& message) noexcept {
  platform::ProcessWideLock lock;
  WriteErrorEntry(errorLogFile_, sourceFile, line, errorCode, OnePiece("ErrString", Text(message)));
}

void TraceLog::WriteErrorWithContext(const char* sourceFile, int32_t line, int32_t errorCode,
                                     const std::string& message,
                                     const std::string& context) noexcept {
  const Pair errString{Text("ErrString"), {Text(message), Text("\n"), Text(context), kNothing}};
  platform::ProcessWideLock lock;
  WriteErrorEntry(errorLogFile_, sourceFile, line, errorCode, errString);
}

void TraceLog::WriteEntry(const std::string& file, const char* label1, const char* value1,
                          const char* label2, const char* value2, const char* label3,
                          const char* value3) noexcept {
  const Pair pairs[3] = {OnePiece(label1, Text(value1)), OnePiece(label2, Text(value2)),
                         OnePiece(label3, Text(value3))};
  platform::ProcessWideLock lock;
  AppendEntry(file, pairs);
}

}  // namespace logging
