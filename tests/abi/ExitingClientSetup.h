// What a test program that runs the exiting client provides for the decoder
// it runs the client with: the client's program and the stream files it
// feeds, one a channel.
#ifndef KELO820_TESTS_ABI_EXITINGCLIENTSETUP_H
#define KELO820_TESTS_ABI_EXITINGCLIENTSETUP_H

#include <string>
#include <vector>

namespace tests {

// The file name of the client's program, which is built beside the test's.
const char* ExitingClientFile();
// Writes the stream files into |directory| and returns their paths.
std::vector<std::string> WriteExitStreams(const std::string& directory);

}  // namespace tests

#endif  // KELO820_TESTS_ABI_EXITINGCLIENTSETUP_H
