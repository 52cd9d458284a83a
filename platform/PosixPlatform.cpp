// POSIX stand-ins for the Windows services. The Windows system drive becomes
// a drive root directory: the one Q81_DRIVE_ROOT names (an empty value makes
// the system-directory query fail), or else a directory of the user's own,
// kelo820-playsdk/ in the XDG state directory, so that a program run as an
// ordinary user can write its logs and one run as root writes nothing into /.
#include <dirent.h>
#include <linux/futex.h>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "Immortal.h"
#include "Platform.h"

namespace platform {

namespace {

// The drive root's directory in the user's state directory.
constexpr char kUserDriveDirectory[] = "kelo820-playsdk/";

// $XDG_STATE_HOME when it is an absolute path (the XDG rule: a relative one
// is ignored), else ~/.local/state/; ending in "/". Empty when the user has
// no home directory.
std::string UserStateDirectory() {
  std::string directory;
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  if (state != nullptr && state[0] == '/') {
    directory = state;
  } else if (home != nullptr && home[0] == '/') {
    directory = std::string(home) + "/.local/state";
  } else {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] != '/') {
      return std::string();
    }
    directory = std::string(found->pw_dir) + "/.local/state";
  }
  if (directory.back() != '/') directory.push_back('/');
  return directory;
}

// Creates every missing level of |directory|, private to the user as the
// XDG directories are; a level that cannot be made is left to fail the
// writes below it, as a missing trace directory does.
void MakeUserDirectories(const std::string& directory) {
  for (size_t end = directory.find('/', 1); end != std::string::npos;
       end = directory.find('/', end + 1)) {
    mkdir(directory.substr(0, end).c_str(), 0700);
  }
}

FileIdentity IdentityOf(const struct stat& info) {
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

std::mutex& ProcessMutex();

// A process that ends while another of its threads appends to a log can cut
// that append short: the kernel stops a write to a file between two pages
// once the writing thread is being killed, and the end of exit() kills every
// other thread. So the thread that ends the process waits for the append in
// progress (appends run under the process-wide lock), and from then on only
// its own appends reach the files: another thread's entry is dropped whole
// rather than written in part. Nobody is made to wait for the lock, so no
// thread that the rest of the exit may wait for is held up.
//
// The rule takes effect as late as a library can act: when the dynamic
// loader runs the library's destructors, after every exit handler and
// every destructor of the client's own static objects, which may still
// make calls that are traced (a channel manager that joins its worker
// thread as it is destroyed). It takes effect too when the library is
// unloaded, after which nothing of it runs.
std::atomic<bool> processEnding{false};
pthread_t endingThread;
// A thread that ends the process from a signal handler may have interrupted
// its own append, and then holds the lock it would wait for.
thread_local bool holdsProcessLock = false;

__attribute__((destructor)) void HoldBackOtherThreadsAppends() {
  endingThread = pthread_self();
  processEnding.store(true);
  if (holdsProcessLock) return;
  ProcessMutex().lock();
  ProcessMutex().unlock();
}

bool AppendsMayGoOn() {
  return !processEnding.load() || pthread_equal(endingThread, pthread_self()) != 0;
}

class PosixPlatform final : public Platform {
 public:
  bool SystemDriveRoot(std::string* root) override {
    const char* configured = std::getenv("Q81_DRIVE_ROOT");
    if (configured == nullptr) {
      const std::string state = UserStateDirectory();
      if (state.empty()) {
        *root = "/";
        return true;
      }
      *root = state + kUserDriveDirectory;
      MakeUserDirectories(*root);
      return true;
    }
    if (configured[0] == '\0') return false;
    *root = configured;
    if (root->back() != '/') root->push_back('/');
    return true;
  }

  std::string PrimaryDriveRoot() override {
    std::string root;
    return SystemDriveRoot(&root) ? root : "/";
  }

  size_t DriveRootLength() override { return 1; }

  CreateDirectoryResult CreateDirectory(const std::string& path) override {
    if (mkdir(path.c_str(), 0777) == 0) return CreateDirectoryResult::kCreated;
    return errno == EEXIST ? CreateDirectoryResult::kAlreadyExists : CreateDirectoryResult::kFailed;
  }

  bool ReadText(const std::string& path, std::string* text) override {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    text->clear();
    char chunk[4096];
    ssize_t count = 0;
    while ((count = read(fd, chunk, sizeof chunk)) != 0) {
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) break;
      text->append(chunk, static_cast<size_t>(count));
    }
    close(fd);
    return count == 0;
  }

  bool PathMatches(const std::string& pattern) override {
    // "dir/*" matches when dir can be listed: like a Windows search, which
    // always finds "." in an existing directory.
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, "/*") == 0) {
      DIR* dir = opendir(pattern.substr(0, pattern.size() - 1).c_str());
      if (dir == nullptr) return false;
      closedir(dir);
      return true;
    }
    struct stat info;
    return stat(pattern.c_str(), &info) == 0;
  }

  bool MoveFileReplacing(const std::string& from, const std::string& to,
                         const FileIdentity& expected) override {
    const int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // Whoever moves a file holds its lock, so once we hold it, the name
    // cannot be moved away between our look and our move. A lock held by
    // another process is not waited for: it is moving the file already, and
    // the caller holds the process's log lock.
    bool moved = false;
    struct stat opened;
    struct stat named;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &opened) == 0 &&
        IdentityOf(opened) == expected && stat(from.c_str(), &named) == 0 &&
        IdentityOf(named) == expected) {
      moved = std::rename(from.c_str(), to.c_str()) == 0;
    }
    close(fd);  // and with it the lock
    return moved;
  }

  int64_t AppendText(const std::string& path, const char* text, size_t size, int64_t identifyAbove,
                     FileIdentity* written) override {
    if (!AppendsMayGoOn()) return -1;
    // A bare descriptor: one write of the whole text, and its position
    // afterwards is the file's size, since appending writes at the end.
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    size_t done = 0;
    while (done < size) {
      const ssize_t count = write(fd, text + done, size - done);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) break;
      done += static_cast<size_t>(count);
    }
    off_t end = done == size ? lseek(fd, 0, SEEK_CUR) : -1;
    struct stat info;
    if (end > identifyAbove) {
      if (fstat(fd, &info) == 0) {
        *written = IdentityOf(info);
      } else {
        end = -1;
      }
    }
    close(fd);
    return static_cast<int64_t>(end);
  }

  void SleepMilliseconds(uint32_t milliseconds) override {
    struct timespec remaining;
    remaining.tv_sec = static_cast<time_t>(milliseconds / 1000);
    remaining.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
  }

  LocalTime Now() override {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    return LocalTime{local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min,     local.tm_sec,  static_cast<int>(now.tv_nsec / 1000000L)};
  }
};

std::mutex& ProcessMutex() {
  static Immortal<std::mutex> mutex;
  return mutex.get();
}

}  // namespace

Platform& OsPlatform() {
  static Immortal<PosixPlatform> platform;
  return platform.get();
}

void WaitWhileEqual(const std::atomic<uint32_t>& word, uint32_t expected) {
  syscall(SYS_futex, &word, FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void WakeAllWaiting(const std::atomic<uint32_t>& word) {
  syscall(SYS_futex, &word, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

void LockProcessWide() {
  ProcessMutex().lock();
  holdsProcessLock = true;
}

void UnlockProcessWide() {
  holdsProcessLock = false;
  ProcessMutex().unlock();
}

}  // namespace platform
