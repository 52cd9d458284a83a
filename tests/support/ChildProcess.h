// Running a program of the build as a process of its own and learning how it
// ended: with a status, by a signal or crash, or not in time.
#ifndef KELO820_TESTS_ABI_CHILDPROCESS_H
#define KELO820_TESTS_ABI_CHILDPROCESS_H

#include <string>
#include <vector>

namespace tests {

struct ChildEnd {
  bool started = false;
  bool inTime = false;  // false: still running at the deadline, and killed
  // Ended through exit or a return from main, rather than by a signal (on
  // Windows: with a status below the range of exception codes).
  bool exited = false;
  unsigned status = 0;  // the exit status, else the signal or exception code
};
// "exit status 7", "signal 6", "exception 0xc0000005", "timed out", ...
std::string Describe(const ChildEnd& end);
// An end other than through exit, as the system names it by its |code|:
// "signal 6", "exception 0xc0000005".
std::string DescribeSystemEnd(unsigned code);

// Runs |program| with |arguments| and the environment of this process, and
// waits for it for at most |timeoutSeconds|. With an |outputPath|, what the
// program writes to its standard output and error goes to that file.
ChildEnd RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  int timeoutSeconds, const std::string& outputPath = "");

// The path of |fileName| in the directory of the running program.
std::string BesideThisProgram(const std::string& fileName);

}  // namespace tests

#endif  // KELO820_TESTS_ABI_CHILDPROCESS_H
