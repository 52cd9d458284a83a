// kelo_demo_viewer.exe under wine, end to end, as a user runs it: a grid of
// four tiles playing two sample streams from files and a transport stream
// sent to it live over loopback UDP, a capture asked for with the capture
// key, and the window closed. The viewer runs as a process of its own; the
// test talks to its window with window messages, as the desktop would, and
// reads what it prints. The sample streams come from the directory
// KELO_M4_TEST_STREAMS names (scripts/make-sample-streams.sh on the host).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ClientSystem.h"
#include "StreamFormat.h"
#include "TestFiles.h"
#include "WaitFor.h"

namespace {

using tests::WaitFor;

constexpr char kFileA[] = "bars-mpeg2-ps.kst";
constexpr char kFileB[] = "testsrc-mpeg4-ps.kst";
// A transport stream, which a udp:// source carries.
constexpr char kLiveStream[] = "testsrc2-mpeg2-ts.kst";
constexpr double kLiveStreamSeconds = 6;
constexpr wchar_t kViewerWindowClass[] = L"KeloDemoViewer";

std::string SampleStream(const std::string& name) {
  const char* directory = std::getenv("KELO_M4_TEST_STREAMS");
  if (directory == nullptr || *directory == '\0') return "";
  const std::string path = std::string(directory) + "/" + name;
  return tests::FileExists(path) ? path : "";
}

// A camera on the network: sends a stream file's payload (its end marker
// left out) to 127.0.0.1:|port| over UDP, seven transport packets a
// datagram, at the pace that plays it in |seconds|, over and over until it
// goes.
class UdpCamera {
 public:
  UdpCamera(const std::string& streamPath, int port, double seconds) {
    const std::string file = tests::ReadBytes(streamPath);
    if (file.size() <= streamformat::kStreamHeaderLength) return;
    payload_ = file.substr(streamformat::kStreamHeaderLength);
    const std::string marker(streamformat::kEndOfStreamMarker.begin(),
                             streamformat::kEndOfStreamMarker.end());
    if (payload_.size() >= marker.size() &&
        payload_.compare(payload_.size() - marker.size(), marker.size(), marker) == 0) {
      payload_.resize(payload_.size() - marker.size());
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    address_.sin_family = AF_INET;
    address_.sin_port = htons(static_cast<u_short>(port));
    address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bytesPerSecond_ = static_cast<double>(payload_.size()) / seconds;
    thread_ = std::thread([this] { Send(); });
  }
  ~UdpCamera() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    WSACleanup();
  }

  bool sending() const { return thread_.joinable(); }

 private:
  void Send() {
    constexpr size_t kDatagram = 7 * 188;
    const auto start = std::chrono::steady_clock::now();
    uint64_t sent = 0;
    while (!stop_) {
      const double due =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() *
          bytesPerSecond_;
      while (static_cast<double>(sent) < due && !stop_) {
        const size_t offset = static_cast<size_t>(sent % payload_.size());
        const size_t length = std::min(kDatagram, payload_.size() - offset);
        sendto(socket_, payload_.data() + offset, static_cast<int>(length), 0,
               reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
        sent += length;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  std::string payload_;
  SOCKET socket_ = INVALID_SOCKET;
  sockaddr_in address_{};
  double bytesPerSecond_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The last "shown N" of each channel's progress lines in |output|.
std::map<int, long> PicturesShown(const std::string& output) {
  static const std::regex kProgress(R"(\] ch(\d+) .*  shown (\d+) \()");
  std::map<int, long> shown;
  std::istringstream lines(output);
  std::string line;
  std::smatch match;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, match, kProgress)) {
      shown[std::stoi(match[1].str())] = std::stol(match[2].str());
    }
  }
  return shown;
}

// The width, height and the number of different bytes among the pixels of
// a 24-bit BMP; false when |path| holds none.
bool ReadBitmapFacts(const std::string& path, int32_t* width, int32_t* height, size_t* variety) {
  const std::string file = tests::ReadBytes(path);
  if (file.size() < 54 || file.compare(0, 2, "BM") != 0) return false;
  uint32_t offset = 0;
  std::memcpy(&offset, file.data() + 10, 4);
  std::memcpy(width, file.data() + 18, 4);
  std::memcpy(height, file.data() + 22, 4);
  if (offset >= file.size()) return false;
  bool seen[256] = {};
  for (size_t index = offset; index < file.size(); ++index) {
    seen[static_cast<unsigned char>(file[index])] = true;
  }
  *variety = static_cast<size_t>(std::count(std::begin(seen), std::end(seen), true));
  return true;
}

TEST(Win32ViewerTest, PlaysFilesAndALiveSourceCapturesOnTheKeyAndClosesCleanly) {
  const std::string fileA = SampleStream(kFileA);
  const std::string fileB = SampleStream(kFileB);
  const std::string live = SampleStream(kLiveStream);
  if (fileA.empty() || fileB.empty() || live.empty()) {
    GTEST_SKIP() << "KELO_M4_TEST_STREAMS names no sample streams";
  }
  tests::TempDirectory scratch;
  tests::ClientDrive drive(scratch.path());
  if (!drive.claimed()) GTEST_SKIP() << drive.root() << "q81 belongs to this machine";
  const std::string traceDirectory = scratch.path() + "trace/";
  drive.Configure(traceDirectory);
  ASSERT_EQ(FindWindowW(kViewerWindowClass, nullptr), nullptr) << "another viewer is running";

  // A port of our own: the process id keeps parallel runs apart.
  const int port = 21000 + static_cast<int>(GetCurrentProcessId() % 2000);
  UdpCamera camera(live, port, kLiveStreamSeconds);
  ASSERT_TRUE(camera.sending());

  // Tiles 0 and 3 play file A, tile 1 file B, tile 2 the camera.
  const std::string outputPath = scratch.path() + "viewer.txt";
  const std::string out = scratch.path() + "out";
  tests::ChildEnd end;
  std::thread viewer([&] {
    end = tests::RunChild(tests::BesideThisProgram("kelo_demo_viewer.exe"),
                          {"--grid", "4", "--seconds", "60", "--out", out, fileA, fileB,
                           "udp://127.0.0.1:" + std::to_string(port)},
                          90, outputPath);
  });
  const auto output = [&] { return tests::ReadText(outputPath); };

  HWND window = nullptr;
  const bool opened =
      WaitFor([&] { return (window = FindWindowW(kViewerWindowClass, nullptr)) != nullptr; },
              std::chrono::seconds(20));
  // Every tile counted pictures drawn into it in a progress line.
  const bool counted =
      opened && WaitFor(
                    [&] {
                      const std::map<int, long> shown = PicturesShown(output());
                      return shown.size() == 4 &&
                             std::all_of(shown.begin(), shown.end(),
                                         [](const auto& tile) { return tile.second > 0; });
                    },
                    std::chrono::seconds(20));
  if (opened) {
    PostMessageW(window, WM_CHAR, 'c', 0);
    WaitFor(
        [&] {
          return output().find("captures written") != std::string::npos ||
                 output().find("ch3: captured") != std::string::npos ||
                 output().find("ch3: capture wrote no file") != std::string::npos;
        },
        std::chrono::seconds(10));
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  viewer.join();
  const std::string said = output();
  ASSERT_TRUE(opened) << said;
  EXPECT_TRUE(counted) << said;
  EXPECT_TRUE(end.exited && end.status == 0) << tests::Describe(end) << "\n" << said;
  EXPECT_NE(said.find("ch2: udp://127.0.0.1:" + std::to_string(port) + " is live"),
            std::string::npos)
      << said;

  // The capture key captured every tile: BMPs of the sample streams' size
  // holding a picture, not a blank.
  for (int channel = 0; channel < 4; ++channel) {
    const std::string capture = out + "/captures/ch" + std::to_string(channel) + "-1.bmp";
    int32_t width = 0;
    int32_t height = 0;
    size_t variety = 0;
    ASSERT_TRUE(ReadBitmapFacts(capture, &width, &height, &variety)) << capture << "\n" << said;
    EXPECT_EQ(width, 352) << capture;
    EXPECT_EQ(std::abs(height), 288) << capture;
    EXPECT_GT(variety, 16u) << capture;
  }

  // Both logs whole: every entry complete, nothing cut off at the exit.
  for (const char* name : {"ZQ_Player_Runtime.log", "ZQ_Player_Error.log"}) {
    const std::string path = traceDirectory + name;
    ASSERT_TRUE(tests::FileExists(path)) << path;
    const std::string text = tests::ReadText(path);
    EXPECT_EQ(tests::LogText(tests::ParseLog(text)), text) << path;
  }
}

}  // namespace
