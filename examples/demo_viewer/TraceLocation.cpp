#include "TraceLocation.h"

#include <fstream>
#include <sstream>

namespace demo_viewer {

namespace {

// The text between the |ordinal|-th "[" of |line| and the "]" after it.
bool BracketedText(const std::string& line, int ordinal, std::string* text) {
  size_t open = std::string::npos;
  size_t from = 0;
  for (int count = 0; count < ordinal; ++count) {
    open = line.find('[', from);
    if (open == std::string::npos) return false;
    from = open + 1;
  }
  const size_t close = line.find(']', open + 1);
  if (close == std::string::npos) return false;
  *text = line.substr(open + 1, close - open - 1);
  return true;
}

}  // namespace

std::string DriveRoot(const char* driveRootVariable, const char* stateHome, const char* home) {
  std::string root;
  if (driveRootVariable != nullptr) {
    root = driveRootVariable;
  } else if (stateHome != nullptr && stateHome[0] == '/') {
    root = std::string(stateHome) + "/kelo820-playsdk";
  } else if (home != nullptr && home[0] == '/') {
    root = std::string(home) + "/.local/state/kelo820-playsdk";
  }
  if (root.empty()) return "/";
  if (root.back() != '/') root += '/';
  return root;
}

std::string ConfigFilePath(const std::string& driveRoot) { return driveRoot + "q81/cfg/Q81.cfg"; }

bool TraceDirectoryFromConfig(const std::string& config, std::string* directory) {
  std::istringstream lines(config);
  std::string line;
  bool inGlobal = false;
  while (std::getline(lines, line)) {
    std::string token;
    if ((!line.empty() && line[0] == '#') || !BracketedText(line, 1, &token)) continue;
    if (!inGlobal) {
      inGlobal = token == "GLOBAL";
      continue;
    }
    if (token != "TRACE_PATH") continue;
    std::string value;
    if (!BracketedText(line, 2, &value)) return false;
    for (char& character : value) {
      if (character == '\\') character = '/';
    }
    if (!value.empty() && value.back() != '/') value += '/';
    *directory = value;
    return true;
  }
  return false;
}

std::string DescribeLogLocation(const std::string& configPath, const std::string& driveRoot) {
  std::ifstream file(configPath);
  std::ostringstream text;
  text << file.rdbuf();
  std::string directory;
  std::string source = "TRACE_PATH of " + configPath;
  if (!file || !TraceDirectoryFromConfig(text.str(), &directory)) {
    directory = driveRoot + "pindo/";
    source = "no TRACE_PATH in " + configPath + ", so the default";
  }
  if (directory.empty()) directory = "./";
  return "player logs: " + directory + "ZQ_Player_Runtime.log and " + directory +
         "ZQ_Player_Error.log (" + source + ")";
}

}  // namespace demo_viewer
