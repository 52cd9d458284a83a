// Memory running out inside the player: this program replaces operator new
// with one that fails after a set number of allocations, and sweeps that
// number over every operation, the factory and the display callback. Nothing
// may escape as an exception (with the C++ runtime linked into the DLL, an
// escaping exception ends the client); an operation that runs out answers 7,
// the result of an allocation failure. The decoder is a double in this
// program that allocates nothing, so every failure is the player's own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "ChannelOperations.h"
#include "OperationResults.h"
#include "Kelo820_PlaySDK.h"
#include "TestFiles.h"
#include "TestPlatform.h"
#include "m4playerApi.h"

namespace {

// Allocations still allowed; negative: no limit.
std::atomic<long> g_allocationsLeft{-1};

void* Allocate(std::size_t size) {
  long left = g_allocationsLeft.load();
  while (left >= 0) {
    if (left == 0) throw std::bad_alloc();
    if (g_allocationsLeft.compare_exchange_weak(left, left - 1)) break;
  }
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

// The decoder double: every call succeeds, or, while g_refusing, every
// call that can fail fails with a buffer-full error. Installing a display
// callback shows it one picture at once.
namespace {
bool g_refusing = false;
const uint8_t g_frame[16 * 8 * 3 / 2] = {};
}  // namespace

#if !defined(_WIN32)
namespace {
int Answer() { return g_refusing ? 0 : 1; }
}  // namespace

extern "C" {
int PlayM4_InitDDraw(WindowHandle) { return Answer(); }
int PlayM4_RealeseDDraw(void) { return Answer(); }
int32_t PlayM4_GetLastError(int32_t) { return 11; }
int PlayM4_SetStreamOpenMode(int32_t, int32_t) { return Answer(); }
int PlayM4_OpenStream(int32_t, const uint8_t*, uint32_t, uint32_t) { return Answer(); }
int PlayM4_Play(int32_t, WindowHandle) { return Answer(); }
int PlayM4_InputData(int32_t, const uint8_t*, uint32_t) { return Answer(); }
int PlayM4_Stop(int32_t) { return Answer(); }
int PlayM4_CloseStream(int32_t) { return Answer(); }
int PlayM4_Pause(int32_t, uint32_t) { return Answer(); }
int PlayM4_Fast(int32_t) { return Answer(); }
int PlayM4_Slow(int32_t) { return Answer(); }
int PlayM4_OneByOne(int32_t) { return Answer(); }
int PlayM4_PlaySound(int32_t) { return Answer(); }
int PlayM4_StopSound(void) { return Answer(); }
int PlayM4_SetVolume(int32_t, uint16_t) { return Answer(); }
int PlayM4_SetDisplayCallBack(int32_t port, M4DisplayCallback callback) {
  if (callback != nullptr) callback(port, g_frame, sizeof g_frame, 16, 8, 0, 1, 0);
  return Answer();
}
int PlayM4_ConvertToBmpFile(const uint8_t*, int32_t, int32_t, int32_t, int32_t, const char*) {
  return Answer();
}
int PlayM4_SetOverlayMode(int32_t, int, uint32_t) { return Answer(); }
int PlayM4_RefreshPlay(int32_t) { return Answer(); }
int PlayM4_SetDisplayRegion(int32_t, uint32_t, const RECT*, WindowHandle, int) { return Answer(); }
int PlayM4_GetPictureSize(int32_t, int32_t* width, int32_t* height) {
  *width = 16;
  *height = 8;
  return Answer();
}
int PlayM4_SetPicQuality(int32_t, int32_t) { return Answer(); }
int PlayM4_ThrowBFrameNum(int32_t, uint32_t) { return Answer(); }
int PlayM4_ResetSourceBuffer(int32_t) { return Answer(); }
uint32_t PlayM4_GetSourceBufferRemain(int32_t) { return 0; }
uint32_t PlayM4_GetFileHeadLength(void) { return 40; }
}  // extern "C"
#endif

namespace tests {
namespace {

// Runs |call| with at most |allowed| allocations; true when it ran out.
template <typename Call>
bool RanOut(long allowed, Call&& call) {
  g_allocationsLeft.store(allowed);
  call();
  const bool ranOut = g_allocationsLeft.load() == 0;
  g_allocationsLeft.store(-1);
  return ranOut;
}

constexpr long kMostAllocations = 400;

class AllocationFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(_WIN32)
    GTEST_SKIP() << "the player imports the decoder from a DLL there, so the allocation-free "
                    "decoder double of this program cannot stand in for it";
#endif
    MakeDirectories(drive_.path() + "q81/cfg");
    WriteBytes(drive_.path() + "q81/cfg/Q81.cfg",
               "[GLOBAL]\n[TRACE_PATH] [" + drive_.path() + "logs/]\n[DEBUG_LEVEL] [2]\n");
  }

  TempDirectory drive_;
  TestPlatform platform_{drive_.path()};
};

TEST_F(AllocationFailureTest, TheFactoryAnswersNullOrAPlayerAndTriesAgainLater) {
  for (long allowed = 0; allowed <= kMostAllocations; ++allowed) {
    SinglePlayer* player = nullptr;
    const bool ranOut = RanOut(allowed, [&] { player = CreateSinglePlayerDll(); });
    if (player == nullptr) {
      ASSERT_TRUE(ranOut);
      player = CreateSinglePlayerDll();
      ASSERT_NE(player, nullptr);
    }
    ReleaseSinglePlayerDll(player);
    if (!ranOut) return;
  }
  FAIL() << "the factory needs more than " << kMostAllocations << " allocations";
}

// Every operation, on an open channel and on a closed one, with the decoder
// accepting and refusing, at every point where memory can run out.
TEST_F(AllocationFailureTest, EveryOperationAnswersSevenInsteadOfThrowing) {
  SinglePlayer* player = CreateSinglePlayerDll();
  ASSERT_NE(player, nullptr);
  ASSERT_EQ(player->Play_InitDDraw(nullptr), 0);
  const auto init = [](SinglePlayer& p, int32_t, OutValues&) { return p.Play_InitDDraw(nullptr); };
  const auto release = [](SinglePlayer& p, int32_t, OutValues&) { return p.Play_ReleaseDDraw(); };
  const auto headLength = [](SinglePlayer& p, int32_t, OutValues& o) {
    return p.Play_GetHeadLen(&o.unsignedValue);
  };
  std::vector<ChannelOperation> all = ChannelOperations();
  all.push_back({"InitDDraw", "Play_InitDDraw", "", 0, init});
  all.push_back({"ReleaseDDraw", "Play_ReleaseDDraw", "", 0, release});
  all.push_back({"GetHeadLen", "Play_GetHeadLen", "", 0, headLength});
  for (const bool refusing : {false, true}) {
    for (const bool open : {false, true}) {
      for (const ChannelOperation& operation : all) {
        SCOPED_TRACE(std::string(operation.label) + (open ? " open" : " closed") +
                     (refusing ? " refusing" : " accepting"));
        long allowed = 0;
        for (; allowed <= kMostAllocations; ++allowed) {
          g_refusing = false;
          player->Play_CloseStream(1);
          if (open) {
            ASSERT_EQ(player->Play_OpenStream(nullptr, 1, g_frame, 40, 0), 0);
          }
          g_refusing = refusing;
          int32_t result = 0;
          OutValues out;
          const bool ranOut = RanOut(allowed, [&] { result = operation.call(*player, 1, out); });
          // Whatever it ran out of, the answer is one the call may give.
          EXPECT_EQ(PossibleResults(operation.name).count(result), 1u) << result;
          if (!ranOut) break;
        }
        EXPECT_LE(allowed, kMostAllocations);
      }
    }
  }
  g_refusing = false;
  ReleaseSinglePlayerDll(player);
}

}  // namespace
}  // namespace tests
