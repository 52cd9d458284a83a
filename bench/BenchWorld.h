// What every benchmark runs in: a temporary directory as the system drive
// (Q81_DRIVE_ROOT), a configuration file in it, the logs under it, and the
// process's one player, built from the shipped library against the
// accepting decoder.
#ifndef KELO820_BENCH_BENCHWORLD_H
#define KELO820_BENCH_BENCHWORLD_H

#include <string>

#include "Kelo820_PlaySDK.h"
#include "TestFiles.h"

namespace bench {

class BenchWorld {
 public:
  static BenchWorld& Get();
  BenchWorld(const BenchWorld&) = delete;
  BenchWorld& operator=(const BenchWorld&) = delete;
  // Releases the player; the temporary drive goes with it.
  ~BenchWorld();

  SinglePlayer& player() { return *player_; }
  // Rewrites the configuration with |level| and runs Play_InitDDraw.
  void SetDebugLevel(int level);
  // Channel 0 open and playing.
  void OpenChannel();

  std::string ConfigPath() const { return drive_.path() + "q81/cfg/Q81.cfg"; }
  std::string LogDirectory() const { return drive_.path() + "logs/"; }
  std::string RuntimeLogPath() const { return LogDirectory() + "ZQ_Player_Runtime.log"; }
  std::string ErrorLogPath() const { return LogDirectory() + "ZQ_Player_Error.log"; }
  // A file beside the logs for the floors to write to.
  std::string FloorLogPath() const { return LogDirectory() + "floor.log"; }

 private:
  BenchWorld();

  tests::TempDirectory drive_;
  SinglePlayer* player_ = nullptr;
};

// The floor of one log entry: |bytes| appended with one open, one write and
// one close.
void AppendWithOpenWriteClose(const std::string& path, const std::string& bytes);
// The same with the one query more that rotation needs: the file's size
// after the write. Returns it.
long AppendAndQuerySize(const std::string& path, const std::string& bytes);
// The bytes of the last entry in the log at |path|.
std::string LastEntryBytes(const std::string& path);

}  // namespace bench

#endif  // KELO820_BENCH_BENCHWORLD_H
