// The material-library look that runs before the model importer reads a file.
#include "FuzzHarness.h"

#include "scene/MaterialLibraryCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    harnessSetUp();
    materialLibraryNamesTextureFirst(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
