#include "LastError.h"

#include <array>
#include <mutex>

#include "PortCount.h"

namespace decoder_ffmpeg {
namespace {

struct ErrorRecord {
  int32_t code = 0;
  uint64_t sequence = 0;
};

struct ErrorRegistry {
  std::mutex mutex;
  uint64_t nextSequence = 1;
  std::array<ErrorRecord, kPortCount> ports{};
  ErrorRecord portless{};
};

ErrorRegistry& Registry() {
  static ErrorRegistry registry;
  return registry;
}

}  // namespace

void RecordError(int32_t port, int32_t code) {
  if (!IsPort(port)) {
    RecordPortlessError(code);
    return;
  }
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.ports[port] = ErrorRecord{code, registry.nextSequence++};
}

void RecordPortlessError(int32_t code) {
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.portless = ErrorRecord{code, registry.nextSequence++};
}

int32_t LastError(int32_t port) {
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!IsPort(port)) return registry.portless.code;
  const ErrorRecord& own = registry.ports[port];
  return own.sequence >= registry.portless.sequence ? own.code : registry.portless.code;
}

}  // namespace decoder_ffmpeg
