// ThreadSanitizer cannot see the atomics inside the uninstrumented FFmpeg
// libraries (reference counts of picture buffers, frame-thread hand-overs)
// and would report their own synchronisation as races. Nothing of ours runs
// inside these two (no callbacks from them), so no race of ours is hidden;
// libavformat, which calls our reads, stays checked.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libavcodec.so\n"
         "race:libavutil.so\n";
}
