// One of several processes appending to the same log at once: writes COUNT
// entries to FILE, each naming this writer and its own number.
//
//   log_sharing_writer FILE WRITER COUNT
#include <cstdio>
#include <cstdlib>
#include <string>

#include "TraceLog.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FILE WRITER COUNT\n", argv[0]);
    return 2;
  }
  const int count = std::atoi(argv[3]);
  for (int entry = 0; entry < count; ++entry) {
    logging::TraceLog::WriteEntry(argv[1], "writer", argv[2], "entry",
                                  std::to_string(entry).c_str(), "", "");
  }
  return 0;
}
