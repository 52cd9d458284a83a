// Reader of the bracketed configuration file:
//
//   #comment
//   [GLOBAL]
//   [TRACE_PATH] [d:/trace/]
//
// The file is read in pieces of at most 99 characters (a whole line when it
// is shorter), each judged on its own. A piece's token is the text between its
// first "[" and the next "]". The search opens at the first piece whose token
// is the section and then runs to the end of the file, through later section
// headers, for the first piece whose token is the key; that piece's value is
// the next bracketed text after the key's "[".
#ifndef KELO820_COMMON_CONFIGFILE_H
#define KELO820_COMMON_CONFIGFILE_H

#include <string>

namespace common {

// 0 with |value| set when found; -1 with |value| untouched when the file cannot
// be opened, the section or key is missing, or the key's value is incomplete.
int ReadConfigValue(const std::string& path, const std::string& section, const std::string& key,
                    std::string* value);

}  // namespace common

#endif  // KELO820_COMMON_CONFIGFILE_H
