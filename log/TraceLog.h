// Appends timestamped entries to two text files, the runtime log (trace of
// calls) and the error log. Each entry is one open-append-close, so nothing is
// lost when the process dies, and a file that grows past kRotateAboveBytes is
// moved aside to the same name plus ".bak" (one generation kept).
//
// Entry layout, each line ending in "\n" (the platform's line end):
//
//   <empty line>
//   [MM-DD hh:mm:ss.cc]
//   label1:[value1]
//   label2:[value2]
//   label3:[value3]
//
// Entries are serialised process-wide, so entries from several threads never
// interleave. Writing never fails towards the caller: an entry that cannot be
// built or written is dropped. A file is moved aside only while its name
// still leads to the file that grew past the limit, so a writer that comes
// second, in this process or another, never moves a fresh file over it.
#ifndef KELO820_LOG_TRACELOG_H
#define KELO820_LOG_TRACELOG_H

#include <cstdint>
#include <string>

namespace logging {

class TraceLog {
 public:
  static constexpr long kRotateAboveBytes = 20971520;

  // Default paths: EarlyRuntimeLogFile() and EarlyErrorLogFile() of
  // ProductPaths.h.
  TraceLog();

  // An empty path selects the bare name "q81_runtime.log" / "q81_error.log"
  // (kEarlyRuntimeLogName, kEarlyErrorLogName).
  void SetRuntimeLogFile(const std::string& path);
  void SetErrorLogFile(const std::string& path);
  std::string RuntimeLogFile() const;
  std::string ErrorLogFile() const;

  // Three label:[value] pairs to the runtime log.
  void WriteTrace(const char* s1, const char* s2, const char* s3, const char* s4, const char* s5,
                  const char* s6) noexcept;
  // An error entry: ErrCode, Context (the source file's name and the line),
  // ErrString. Only the part of |sourceFile| after its last separator is kept.
  void WriteError(const char* sourceFile, int32_t line, int32_t errorCode,
                  const std::string& message) noexcept;
  // As WriteError, with |message| "\n" |context| as the ErrString.
  void WriteErrorWithContext(const char* sourceFile, int32_t line, int32_t errorCode,
                             const std::string& message, const std::string& context) noexcept;

  static void WriteEntry(const std::string& file, const char* label1, const char* value1,
                         const char* label2, const char* value2, const char* label3,
                         const char* value3) noexcept;

 private:
  std::string runtimeLogFile_;
  std::string errorLogFile_;
};

}  // namespace logging

#endif  // KELO820_LOG_TRACELOG_H
