// Paths use "/" throughout; directory paths end in "/" so that names join by
// plain concatenation. Backslashes from the OS or the configuration are turned
// into "/" before use.
#ifndef KELO820_COMMON_DIRECTORYPATH_H
#define KELO820_COMMON_DIRECTORYPATH_H

#include <string>

namespace common {

// Backslashes become "/", and a "/" is appended to a non-empty path that does
// not end in one. Returns |path|.
std::string& NormaliseDirectoryPath(std::string& path);

// 1 when a file or directory exists at |path|, 0 otherwise. A path ending in
// "/" (or a backslash) asks for a directory; a bare drive "c:" for its root.
int DirectoryExists(std::string path);

// Creates every missing level of |path| below the drive root. 0 when all
// levels exist at the end, -1 at the first level that cannot be created
// (levels made before it stay).
int MakeDirectoryPath(std::string path);

}  // namespace common

#endif  // KELO820_COMMON_DIRECTORYPATH_H
