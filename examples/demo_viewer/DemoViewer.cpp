// kelo_demo_viewer: plays a grid of streams through the Kelo820 PlaySDK in a
// window (X11 or Win32, ViewerWindow.h), the way a surveillance client shows
// its cameras. Run with --help for the options and keys.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Kelo820_PlaySDK.h"
#include "LiveSource.h"
#include "MediaConversion.h"
#include "StreamFile.h"
#include "TraceLocation.h"
#include "ViewerOptions.h"
#include "ViewerSession.h"
#include "ViewerSystem.h"
#include "ViewerWindow.h"

namespace {

constexpr double kHeadlessSeconds = 10;
constexpr double kProgressInterval = 2;
constexpr double kCaptionInterval = 0.5;
constexpr int kEventWaitMs = 50;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// True when the viewer runs from the build tree it was built in, where
// scripts/make-sample-streams.sh puts the sample streams.
bool InBuildTree() {
  std::error_code error;
  return std::filesystem::equivalent(demo_viewer::ViewerDirectory(), KELO_DEMO_BUILD_BIN_DIR,
                                     error);
}

// Where sample streams are looked for: the build tree's, or, installed,
// demo_streams/ in the current directory.
std::string SampleStreamDirectory() {
  return InBuildTree() ? KELO_DEMO_STREAM_DIR : "demo_streams";
}

// The sample streams, in name order.
std::vector<std::string> SampleStreams() {
  std::vector<std::string> paths;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(SampleStreamDirectory(), error)) {
    if (demo_viewer::IsStreamFile(entry.path().string())) paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// A scheduled moment that fires once.
class OneShot {
 public:
  explicit OneShot(double at) : at_(at) {}
  bool Due(double now) {
    if (at_ < 0 || now < at_) return false;
    at_ = -1;
    return true;
  }

 private:
  double at_;
};

// A moment that fires every |interval| seconds.
class Every {
 public:
  explicit Every(double interval) : interval_(interval), next_(interval) {}
  bool Due(double now) {
    if (now < next_) return false;
    next_ = now + interval_;
    return true;
  }

 private:
  double interval_;
  double next_;
};

// The decoder's stream tool, built and installed beside the viewer.
std::string StreamTool() {
  return (demo_viewer::ViewerDirectory() / demo_viewer::ProgramFileName("m4stream")).string();
}

// What to do when there is nothing to play.
void SayHowToMakeStreams() {
  std::cerr << "no streams to play: give stream files, media files (converted with " << StreamTool()
            << ") or udp://, tcp://, rtsp:// sources on the command line";
  if (InBuildTree()) {
    std::cerr << ", or make the sample streams (scripts/make-sample-streams.sh)\n";
    return;
  }
  // Commands that a POSIX shell and the Windows command prompt both run.
  std::cerr << ", or put stream files in ./demo_streams/; for example, with a test clip made by"
               " the ffmpeg tool:\n"
               "  ffmpeg -f lavfi -i testsrc=size=352x288:rate=25 -t 6 -c:v mpeg2video -f vob "
               "clip.mpg\n  mkdir demo_streams\n  "
            << StreamTool() << " clip.mpg demo_streams/clip.kst\n";
}

// Reads the stream files among |paths| and converts the media files first,
// into |conversionDirectory|.
std::vector<demo_viewer::StreamFile> LoadStreams(const std::vector<std::string>& paths,
                                                 uint32_t headerLength,
                                                 const std::string& conversionDirectory) {
  std::vector<demo_viewer::StreamFile> streams;
  for (const std::string& path : paths) {
    if (demo_viewer::IsLiveSourceAddress(path)) {
      demo_viewer::StreamFile live;
      live.name = path;
      live.address = path;
      streams.push_back(std::move(live));
      continue;
    }
    std::string streamPath = path;
    std::string error;
    if (!demo_viewer::IsStreamFile(path)) {
      streamPath = demo_viewer::ConvertedStreamPath(path, conversionDirectory);
      if (!demo_viewer::ConvertMediaFile(StreamTool(), path, streamPath, &error)) {
        std::cerr << error << "\n";
        continue;
      }
      std::cout << "converted " << path << " into " << streamPath << "\n";
    }
    demo_viewer::StreamFile stream;
    if (demo_viewer::LoadStreamFile(streamPath, headerLength, &stream, &error)) {
      streams.push_back(std::move(stream));
    } else {
      std::cerr << error << "\n";
    }
  }
  return streams;
}

// Handles the user's requests from the window; false once the user quits.
bool HandleWindowEvents(demo_viewer::ViewerWindow& window, demo_viewer::ViewerSession& session,
                        const demo_viewer::ViewerOptions& options, int* selectedTile) {
  for (const demo_viewer::WindowEvent& event : window.PollEvents(kEventWaitMs)) {
    if (event.clickedTile >= 0 || event.command == demo_viewer::ViewerCommand::kNextSelection) {
      *selectedTile = event.clickedTile >= 0
                          ? demo_viewer::ClickedSelection(*selectedTile, event.clickedTile)
                          : demo_viewer::NextSelection(*selectedTile, options.tileCount);
      session.SelectTile(*selectedTile);
      std::cout << (*selectedTile < 0 ? std::string("all tiles chosen")
                                      : "tile " + std::to_string(*selectedTile) + " chosen")
                << "\n";
    } else if (event.command == demo_viewer::ViewerCommand::kQuit) {
      return false;
    } else if (event.command == demo_viewer::ViewerCommand::kHelp) {
      std::cout << demo_viewer::ViewerKeyHelp();
    } else if (event.command == demo_viewer::ViewerCommand::kToggleOverlay) {
      window.ToggleOverlay();
      window.SetOverlay(session.Figures());
    } else {
      session.Execute(event.command, *selectedTile);
    }
  }
  return true;
}

// Plays until the user quits, |seconds| pass (0: no limit) or a signal
// arrives, carrying out the scheduled capture and screenshot on the way.
void Play(demo_viewer::ViewerSession& session, demo_viewer::ViewerWindow* window,
          const demo_viewer::ViewerOptions& options, double seconds) {
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const demo_viewer::ViewerSession::PictureCounter picturesDrawn = [window](int tile,
                                                                            uint64_t* count) {
    return window != nullptr && window->PicturesDrawn(tile, count);
  };
  Every progress(kProgressInterval);
  Every captions(kCaptionInterval);
  OneShot capture(options.captureAt);
  OneShot screenshot(window != nullptr && !options.screenshotPath.empty() ? options.screenshotAt
                                                                          : -1);
  int selectedTile = -1;
  while (interrupted == 0) {
    const double now = elapsed();
    if (seconds > 0 && now >= seconds) break;
    if (window != nullptr) {
      if (!HandleWindowEvents(*window, session, options, &selectedTile)) break;
      if (captions.Due(now)) window->SetCaptions(session.Labels(), selectedTile);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(kEventWaitMs));
    }
    if (capture.Due(now)) session.Capture(-1);
    if (screenshot.Due(now)) {
      std::cout << (window->SaveScreenshot(options.screenshotPath) ? "screenshot written: "
                                                                   : "screenshot failed: ")
                << options.screenshotPath << "\n";
    }
    if (progress.Due(now)) {
      session.PrintProgress(now, picturesDrawn);
      if (window != nullptr) window->SetOverlay(session.Figures());
    }
  }
  session.PrintProgress(elapsed(), picturesDrawn);
}

}  // namespace

int main(int argc, char** argv) {
  demo_viewer::ViewerOptions options;
  std::string error;
  if (!demo_viewer::ParseViewerOptions(argc, argv, &options, &error)) {
    std::cerr << error << "\n" << demo_viewer::ViewerUsage(argv[0]);
    return 2;
  }
  if (options.showHelp) {
    std::cout << demo_viewer::ViewerUsage(argv[0]);
    return 0;
  }
  if (options.showVersion) {
    std::cout << "kelo_demo_viewer " << KELO_VERSION << "\n";
    return 0;
  }
  const std::vector<std::string> sources =
      options.streams.empty() ? SampleStreams() : options.streams;
  if (sources.empty()) {
    // Said before a window opens: there would be nothing to show in it.
    std::cerr << "no stream files (.kst) in "
              << std::filesystem::absolute(SampleStreamDirectory()).string() << "\n";
    SayHowToMakeStreams();
    return 1;
  }
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  std::unique_ptr<demo_viewer::ViewerWindow> window =
      demo_viewer::OpenViewerWindow(options.tileCount, "Kelo820 PlaySDK demo viewer");
  double seconds = options.seconds;
  if (window) {
    std::cout << window->Description() << ", " << options.tileCount << " tiles\n";
  } else {
    if (seconds <= 0) seconds = kHeadlessSeconds;
    std::cout << "no display: running headless (decoding only, no pictures on screen) for "
              << seconds << " s\n";
  }

  SinglePlayer* player = CreateSinglePlayerDll();
  if (player == nullptr) {
    std::cerr << "CreateSinglePlayerDll returned null\n";
    return 1;
  }
  // The player reads its configuration here: from now on its logs go to the
  // configured trace directory.
  const WindowHandle mainWindow = window ? window->TopWindow() : nullptr;
  std::cout << "Play_InitDDraw -> " << player->Play_InitDDraw(mainWindow) << "\n";

  uint32_t headerLength = 0;
  player->Play_GetHeadLen(&headerLength);
  const std::vector<demo_viewer::StreamFile> streams =
      LoadStreams(sources, headerLength, options.outputDirectory + "/streams");
  int status = 0;
  if (streams.empty()) {
    SayHowToMakeStreams();
    status = 1;
  } else {
    demo_viewer::ViewerSession session(*player, streams, options.outputDirectory + "/captures",
                                       std::cout);
    session.SetPicQuality(options.picQuality);
    std::vector<WindowHandle> tiles;
    for (int tile = 0; tile < options.tileCount; ++tile) {
      tiles.push_back(window ? window->TileWindow(tile) : nullptr);
    }
    if (window) {
      window->SetDrawingObserver([&session](int tile) { session.PictureShown(tile); });
      window->SetRedrawObserver([&session](int tile) { session.Redraw(tile); });
    }
    if (session.Open(tiles)) {
      std::cout << "playing " << options.tileCount << " channels from " << streams.size()
                << " stream(s); progress every " << kProgressInterval
                << " s ('buffer': bytes waiting in the decoder, marked where it stands still:"
                   " '(full)', the decoder is ahead and takes more only as it shows pictures,"
                   " '(empty)', it has taken all it was given, as from a live source; 'shown':"
                   " pictures the window system saw drawn into the tile, since the SDK reports"
                   " no frame count, with the rate; for live sources 'latency': median (and 99th"
                   " percentile) time from a picture's last byte to its drawing, 'dropped':"
                   " pictures never drawn;"
                   " 'picture': size of the last decoded picture)\n";
      if (window) std::cout << demo_viewer::ViewerKeyHelp();
      Play(session, window.get(), options, seconds);
    } else {
      status = 1;
    }
    session.Close();
    std::cout << "captures written: " << session.CaptureFiles().size();
    for (const std::string& path : session.CaptureFiles()) std::cout << "\n  " << path;
    std::cout << "\n";
  }
  player->Play_ReleaseDDraw();
  ReleaseSinglePlayerDll(player);
  window.reset();
  // Said once, last, beside the captures: where to look after the run.
  const std::string driveRoot = demo_viewer::PlayerDriveRoot();
  std::cout << demo_viewer::DescribeLogLocation(demo_viewer::ConfigFilePath(driveRoot), driveRoot)
            << "\n";
  return status;
}
