#include "BenchWorld.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace bench {

BenchWorld& BenchWorld::Get() {
  static BenchWorld world;
  return world;
}

BenchWorld::~BenchWorld() { ReleaseSinglePlayerDll(player_); }

BenchWorld::BenchWorld() {
  setenv("Q81_DRIVE_ROOT", drive_.path().c_str(), 1);
  tests::MakeDirectories(drive_.path() + "q81/cfg");
  player_ = CreateSinglePlayerDll();
  if (player_ == nullptr) std::abort();
  SetDebugLevel(0);
}

void BenchWorld::SetDebugLevel(int level) {
  tests::WriteBytes(ConfigPath(), "#Q81 player configuration\n[GLOBAL]\n[TRACE_PATH] [" +
                                      LogDirectory() + "]\n[DEBUG_LEVEL] [" +
                                      std::to_string(level) + "]\n");
  if (player_->Play_InitDDraw(nullptr) != 0) std::abort();
}

void BenchWorld::OpenChannel() {
  static const uint8_t header[40] = {1};
  int32_t state = 0;
  player_->Play_GetPlayState(0, &state);
  if (state == 0 && player_->Play_OpenStream(nullptr, 0, header, sizeof header, 0) != 0) {
    std::abort();
  }
}

void AppendWithOpenWriteClose(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
  if (fd < 0) std::abort();
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  close(fd);
}

long AppendAndQuerySize(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
  if (fd < 0) std::abort();
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  const off_t size = lseek(fd, 0, SEEK_CUR);
  close(fd);
  return static_cast<long>(size);
}

std::string LastEntryBytes(const std::string& path) {
  const std::string text = tests::ReadBytes(path);
  const std::vector<tests::LogEntry> entries = tests::ParseLog(text);
  if (entries.empty()) std::abort();
  // An entry starts with the line end before its timestamp line.
  const size_t start = text.rfind("\n[" + entries.back().timestamp + "]");
  return text.substr(start);
}

}  // namespace bench
