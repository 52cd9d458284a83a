// rtsp_test_camera: an IP camera on the loopback interface for the viewer's
// tests. Serves a live H.264 test picture (CIF, 25/s, a key picture every
// second) with a 440 Hz tone as G.711 A-law (PCMA, 8 kHz), as a camera's
// microphone sends it, at rtsp://127.0.0.1:PORT/cam until it is killed or
// SECONDS pass. With RTP_PORT it serves instead, without sound, the H.264
// pictures that arrive as RTP on that loopback port (payload type 96): the
// latency benchmark's numbered pictures (scripts/bench-latency.sh), passed on
// as they come.
//
//   rtsp_test_camera PORT [SECONDS [RTP_PORT]]
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

gboolean Quit(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: %s PORT [SECONDS [RTP_PORT]]\n", argv[0]);
    return 2;
  }
  gst_init(&argc, &argv);
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  GstRTSPServer* server = gst_rtsp_server_new();
  gst_rtsp_server_set_address(server, "127.0.0.1");
  gst_rtsp_server_set_service(server, argv[1]);
  GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
  const std::string launch =
      argc == 4 ? std::string("( udpsrc address=127.0.0.1 port=") + argv[3] +
                      " caps=\"application/x-rtp,media=video,clock-rate=90000,"
                      "encoding-name=H264,payload=96\" "
                      "! rtph264depay ! rtph264pay name=pay0 pt=96 config-interval=1 )"
                : "( videotestsrc is-live=true pattern=ball "
                  "! video/x-raw,width=352,height=288,framerate=25/1 "
                  "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 bitrate=512 "
                  "! rtph264pay name=pay0 pt=96 config-interval=1 "
                  "audiotestsrc is-live=true wave=sine freq=440 ! audio/x-raw,rate=8000,channels=1 "
                  "! alawenc ! rtppcmapay name=pay1 pt=8 )";
  gst_rtsp_media_factory_set_launch(factory, launch.c_str());
  // Every client watches the same camera.
  gst_rtsp_media_factory_set_shared(factory, TRUE);
  GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server);
  gst_rtsp_mount_points_add_factory(mounts, "/cam", factory);
  g_object_unref(mounts);
  if (gst_rtsp_server_attach(server, nullptr) == 0) {
    std::fprintf(stderr, "cannot serve on 127.0.0.1:%s\n", argv[1]);
    return 1;
  }
  if (argc >= 3) g_timeout_add_seconds(static_cast<guint>(std::atoi(argv[2])), Quit, loop);
  std::printf("serving rtsp://127.0.0.1:%s/cam\n", argv[1]);
  std::fflush(stdout);
  g_main_loop_run(loop);
  g_object_unref(server);
  g_main_loop_unref(loop);
  return 0;
}
