// Shader include expansion over any stage text; included names resolve against the
// repository's shaders.
#include "FuzzHarness.h"

#include "gl/Shader.h"
#include "platform/AssetFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    harnessSetUp();
    gAssetsDir = KESTRUN_ASSETS_DIR;
    try {
        Shader::expandIncludes(std::string(reinterpret_cast<const char*>(data), size), "fuzz.fs");
    } catch (const FatalEnd&) {
    }
    return 0;
}
