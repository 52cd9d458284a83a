// Names shared by the product family. This library reads PRODUCT_DIR (default
// log paths) and CONFIG_FILE (configuration location), through ProductPaths.h,
// which gathers every name the product puts on disk; the rest belong to the
// family's shared set. The strings live until the process ends: they may be
// read while it exits.
#ifndef KELO820_COMMON_SHAREDCONSTANTS_H
#define KELO820_COMMON_SHAREDCONSTANTS_H

#include <cstdint>
#include <string>

namespace common {

extern const std::string& PRODUCT_DIR;  // "q81/"
extern const std::string& CONFIG_DIR;   // PRODUCT_DIR + "cfg/"
extern const std::string& CONFIG_FILE;  // CONFIG_DIR + "Q81.cfg"
extern const std::string& WRITING_DIR;  // PRODUCT_DIR + "writing/"
extern const std::string& INDEX_NAME;
extern const std::string& BRAND_NAME;
extern const std::string& LOCAL_HOST;

// Picture heights in lines: row 0 the 625-line family, row 1 the 525-line
// family, rows 2 and 3 repeat row 0; only the first seven columns are used.
constexpr int kFrameHeightRows = 4;
constexpr int kFrameHeightColumns = 14;
extern const int32_t FRAME_HEIGHTS[kFrameHeightRows][kFrameHeightColumns];

}  // namespace common

#endif  // KELO820_COMMON_SHAREDCONSTANTS_H
