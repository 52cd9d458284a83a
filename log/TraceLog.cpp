#include "TraceLog.h"

#include <cstring>

#include "Platform.h"
#include "SharedConstants.h"

namespace kelo {

namespace {

// What "%02d" makes of |value|: two digits for 0 to 99, which every field of
// a valid time is, without the cost of printf.
void AppendTwoDigits(std::string& out, long long value) {
  if (value < 0 || value > 99) {
    out += std::to_string(value);
    return;
  }
  out += static_cast<char>('0' + value / 10);
  out += static_cast<char>('0' + value % 10);
}

std::string FormatEntry(const LocalTime& now, const char* label1, const char* value1,
                        const char* label2, const char* value2, const char* label3,
                        const char* value3) {
  const char* const pairs[][2] = {{label1, value1}, {label2, value2}, {label3, value3}};
  size_t length = sizeof "\n[MM-DD hh:mm:ss.cc]" - 1;
  for (const auto& pair : pairs) length += std::strlen(pair[0]) + std::strlen(pair[1]) + 5;
  std::string entry;
  entry.reserve(length);
  entry += "\n[";
  AppendTwoDigits(entry, now.month);
  entry += '-';
  AppendTwoDigits(entry, now.day);
  entry += ' ';
  AppendTwoDigits(entry, now.hour);
  entry += ':';
  AppendTwoDigits(entry, now.minute);
  entry += ':';
  AppendTwoDigits(entry, now.second);
  entry += '.';
  AppendTwoDigits(entry, static_cast<unsigned>(now.millisecond / 10));
  entry += ']';
  for (const auto& pair : pairs) {
    entry += '\n';
    entry += pair[0];
    entry += ":[";
    entry += pair[1];
    entry += ']';
  }
  entry += '\n';
  return entry;
}

// Caller holds the process-wide lock.
void AppendEntry(const std::string& file, const char* label1, const char* value1,
                 const char* label2, const char* value2, const char* label3,
                 const char* value3) {
  Platform& platform = CurrentPlatform();
  const std::string entry =
      FormatEntry(platform.Now(), label1, value1, label2, value2, label3, value3);
  // The file is closed by now: an open file cannot be moved everywhere.
  if (platform.AppendText(file, entry) > TraceLog::kRotateAboveBytes) {
    platform.MoveFileReplacing(file, file + ".bak");
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

}  // namespace

TraceLog::TraceLog() {
  Platform& platform = CurrentPlatform();
  std::string root;
  if (!platform.SystemDriveRoot(&root)) root = platform.FallbackDriveRoot();
  runtimeLogFile_ = root + PRODUCT_DIR + "q81_runtime.log";
  errorLogFile_ = root + PRODUCT_DIR + "q81_error.log";
}

void TraceLog::SetRuntimeLogFile(const std::string& path) {
  ProcessWideLock lock;
  runtimeLogFile_ = path.empty() ? "q81_runtime.log" : path;
}

void TraceLog::SetErrorLogFile(const std::string& path) {
  ProcessWideLock lock;
  errorLogFile_ = path.empty() ? "q81_error.log" : path;
}

std::string TraceLog::RuntimeLogFile() const {
  ProcessWideLock lock;
  return runtimeLogFile_;
}

std::string TraceLog::ErrorLogFile() const {
  ProcessWideLock lock;
  return errorLogFile_;
}

void TraceLog::WriteTrace(const char* s1, const char* s2, const char* s3, const char* s4,
                          const char* s5, const char* s6) {
  ProcessWideLock lock;
  AppendEntry(runtimeLogFile_, s1, s2, s3, s4, s5, s6);
}

void TraceLog::WriteError(const char* sourceFile, int32_t line, int32_t errorCode,
                          const std::string& message) {
  const std::string codeText = std::to_string(errorCode);
  // Built without a fixed-size buffer, so a long source name is kept whole.
  const char* const fileName = FileNameOf(sourceFile);
  const std::string lineText = std::to_string(line);
  std::string context;
  context.reserve(std::strlen(fileName) + lineText.size() + 26);
  context += "Source File: [";
  context += fileName;
  context += "], LINE: [";
  context += lineText;
  context += ']';
  ProcessWideLock lock;
  AppendEntry(errorLogFile_, "ErrCode", codeText.c_str(), "Context", context.c_str(),
              "ErrString", message.c_str());
}

void TraceLog::WriteErrorWithContext(const char* sourceFile, int32_t line, int32_t errorCode,
                                     const std::string& message, const std::string& context) {
  WriteError(sourceFile, line, errorCode, message + "\n" + context);
}

void TraceLog::WriteEntry(const std::string& file, const char* label1, const char* value1,
                          const char* label2, const char* value2, const char* label3,
                          const char* value3) {
  ProcessWideLock lock;
  AppendEntry(file, label1, value1, label2, value2, label3, value3);
}

}  // namespace kelo
