#include "TraceLog.h"

#include <cstdio>

#include "Platform.h"
#include "SharedConstants.h"

namespace kelo {

namespace {

// Caller holds the process-wide lock.
void AppendEntry(const std::string& file, const char* label1, const char* value1,
                 const char* label2, const char* value2, const char* label3,
                 const char* value3) {
  std::FILE* out = std::fopen(file.c_str(), "a+");
  if (out == nullptr) return;

  const LocalTime now = CurrentPlatform().Now();
  char timestamp[20] = {};
  std::snprintf(timestamp, sizeof timestamp, "%02d-%02d %02d:%02d:%02d.%02u", now.month,
                now.day, now.hour, now.minute, now.second,
                static_cast<unsigned>(now.millisecond / 10));
  std::fprintf(out, "\n[%s]", timestamp);
  std::fprintf(out, "\n%s:[%s]\n%s:[%s]\n%s:[%s]\n", label1, value1, label2, value2, label3,
               value3);

  // Seek to the end before asking: some C runtimes report only the bytes
  // written since opening for a file opened to append.
  long size = -1;
  if (std::fseek(out, 0, SEEK_END) == 0) size = std::ftell(out);
  std::fclose(out);

  // The file is closed first: an open file cannot be moved everywhere.
  if (size > TraceLog::kRotateAboveBytes) {
    CurrentPlatform().MoveFileReplacing(file, file + ".bak");
  }
}

std::string FileNameOf(const char* path) {
  std::string name(path);
  const size_t separator = name.find_last_of("/\\");
  return separator == std::string::npos ? name : name.substr(separator + 1);
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
  char codeText[16];
  std::snprintf(codeText, sizeof codeText, "%d", static_cast<int>(errorCode));
  // Built without a fixed-size buffer, so a long source name is kept whole.
  const std::string context = "Source File: [" + FileNameOf(sourceFile) +
                              "], LINE: [" + std::to_string(line) + "]";
  ProcessWideLock lock;
  AppendEntry(errorLogFile_, "ErrCode", codeText, "Context", context.c_str(), "ErrString",
              message.c_str());
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
