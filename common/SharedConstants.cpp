#include "SharedConstants.h"

namespace kelo {

// Defined in dependency order: each composed name after its parts.
const std::string PRODUCT_DIR = "q81/";
const std::string CONFIG_DIR = PRODUCT_DIR + "cfg/";
const std::string CONFIG_FILE = CONFIG_DIR + "Q81.cfg";
const std::string WRITING_DIR = PRODUCT_DIR + "writing/";
const std::string INDEX_NAME = "idx";
const std::string BRAND_NAME = "HALDEN";
const std::string LOCAL_HOST = "127.0.0.1";

const int32_t FRAME_HEIGHTS[kFrameHeightRows][kFrameHeightColumns] = {
    {288, 144, 288, 576, 72, 288, 288},
    {240, 120, 240, 480, 60, 240, 240},
    {288, 144, 288, 576, 72, 288, 288},
    {288, 144, 288, 576, 72, 288, 288},
};

}  // namespace kelo
