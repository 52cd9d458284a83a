// The window output's contract (decoder/ffmpeg/WindowOutput.h) on the
// system's own windows, read back from the screen: the same test on X11 and
// on Windows, the windows made by TestWindow.h. Skipped without a screen.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "PictureLog.h"
#include "TestStreams.h"
#include "TestWindow.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {
namespace {

constexpr int32_t kPort = 12;
constexpr size_t kBlock = 8192;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TestWindow::Make(1, 1)) GTEST_SKIP() << "no screen here";
    SetVariable("KELO_M4_CLOCK", "virtual");
    opened_ = true;
  }
  void TearDown() override {
    if (!opened_) return;
    PlayM4_SetDisplayCallBack(kPort, nullptr);
    PlayM4_CloseStream(kPort);
  }

  // Drawing happens on the decoder's presenter thread: look until it shows.
  static bool Shows(TestWindow& window, int x, int y, const Rgb& colour) {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!Near(window.Pixel(x, y), colour)) {
      if (std::chrono::steady_clock::now() > giveUp) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  void PlayInto(TestWindow& window) {
    const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
    ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, 1));
    ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 51200));
    ASSERT_TRUE(LogPictures(kPort));
    ASSERT_TRUE(PlayM4_Play(kPort, window.Handle()));
    ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
    ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  }

  bool opened_ = false;
};

TEST_F(WindowTest, ShowsThePictureScaledAndRedrawsItWhilePaused) {
  const std::unique_ptr<TestWindow> window = TestWindow::Make(2 * kTestWidth, 2 * kTestHeight);
  ASSERT_TRUE(window);
  PlayInto(*window);
  for (const KnownColour& known : KnownColours()) {
    EXPECT_TRUE(Near(window->Pixel(2 * known.x, 2 * known.y), known.colour))
        << known.x << "," << known.y;
  }
  ASSERT_TRUE(PlayM4_Pause(kPort, 1));

  // Cleared with nobody told: only a refresh brings the picture back.
  window->Clear();
  const KnownColour& red = KnownColours()[0];
  EXPECT_TRUE(Near(window->Pixel(2 * red.x, 2 * red.y), {0, 0, 0}));
  ASSERT_TRUE(PlayM4_RefreshPlay(kPort));
  EXPECT_TRUE(Shows(*window, 2 * red.x, 2 * red.y, red.colour));

  // Cleared as when a covering window goes: the picture comes back.
  window->Uncover(kPort);
  for (const KnownColour& known : KnownColours()) {
    EXPECT_TRUE(Shows(*window, 2 * known.x, 2 * known.y, known.colour));
  }

  // Resized: the picture comes back at the new size.
  window->Resize(3 * kTestWidth, 3 * kTestHeight, kPort);
  for (const KnownColour& known : KnownColours()) {
    EXPECT_TRUE(Shows(*window, 3 * known.x, 3 * known.y, known.colour));
  }
}

TEST_F(WindowTest, DisplayRegionFillsItsWindowWithTheRectangle) {
  const std::unique_ptr<TestWindow> main = TestWindow::Make(kTestWidth, kTestHeight);
  const std::unique_ptr<TestWindow> zoom = TestWindow::Make(200, 100);
  ASSERT_TRUE(main && zoom);
  // The top half of the picture: red on the left, green on the right.
  const RECT topHalf{0, 0, kTestWidth, kTestHeight / 2};
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 51200));
  ASSERT_TRUE(PlayM4_Play(kPort, main->Handle()));
  ASSERT_TRUE(PlayM4_SetDisplayRegion(kPort, 1, &topHalf, zoom->Handle(), 1));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_TRUE(Near(zoom->Pixel(50, 30), {255, 0, 0}));
  EXPECT_TRUE(Near(zoom->Pixel(150, 30), {0, 255, 0}));
  EXPECT_TRUE(Near(main->Pixel(88, 216), {0, 0, 255}));

  // Hidden again: a cleared region window stays cleared through a refresh.
  // A refresh shown in the cleared main window is drawn after every drawing
  // that began before it; the region window is cleared once two have been,
  // so that no drawing begun before the region went can reach it after.
  ASSERT_TRUE(PlayM4_SetDisplayRegion(kPort, 1, nullptr, nullptr, 0));
  auto redrawnAfterClearing = [&](TestWindow& cleared) {
    cleared.Clear();
    main->Clear();
    return PlayM4_RefreshPlay(kPort) && Shows(*main, 88, 216, {0, 0, 255});
  };
  ASSERT_TRUE(redrawnAfterClearing(*main));
  ASSERT_TRUE(redrawnAfterClearing(*main));
  ASSERT_TRUE(redrawnAfterClearing(*zoom));
  EXPECT_TRUE(Near(zoom->Pixel(50, 30), {0, 0, 0}));
}

}  // namespace
}  // namespace tests_ffmpeg
