// The PNG chunk walk that runs before the image library sees a file.
#include "FuzzHarness.h"

#include "platform/PngCheck.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    harnessSetUp();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    pngStructureProblem(in);
    return 0;
}
