#include "SharedConstants.h"

#include "Immortal.h"

namespace common {

namespace {

// Never destroyed: a thread of the decoder, or a client's static object,
// may still build a path from them while the process exits, after the
// destructors of this library's objects have run. Defined in dependency
// order: each composed name after its parts.
platform::Immortal<const std::string> productDir("q81/");
platform::Immortal<const std::string> configDir(productDir.get() + "cfg/");
platform::Immortal<const std::string> configFile(configDir.get() + "Q81.cfg");
platform::Immortal<const std::string> writingDir(productDir.get() + "writing/");
platform::Immortal<const std::string> indexName("idx");
platform::Immortal<const std::string> brandName("HALDEN");
platform::Immortal<const std::string> localHost("127.0.0.1");

}  // namespace

const std::string& PRODUCT_DIR = productDir.get();
const std::string& CONFIG_DIR = configDir.get();
const std::string& CONFIG_FILE = configFile.get();
const std::string& WRITING_DIR = writingDir.get();
const std::string& INDEX_NAME = indexName.get();
const std::string& BRAND_NAME = brandName.get();
const std::string& LOCAL_HOST = localHost.get();

const int32_t FRAME_HEIGHTS[kFrameHeightRows][kFrameHeightColumns] = {
    {288, 144, 288, 576, 72, 288, 288},
    {240, 120, 240, 480, 60, 240, 240},
    {288, 144, 288, 576, 72, 288, 288},
    {288, 144, 288, 576, 72, 288, 288},
};

}  // namespace common
