// The level-file loader over any level file, and the level placed on a map of the
// shipped levels' heightmap size.
#include "FuzzHarness.h"

#include "level/LevelConfig.h"
#include "platform/AssetFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    harnessSetUp();
    gAssetsDir = scratchDir().string();
    writeInput(scratchDir() / "levels" / "level_1.ini", data, size);
    try {
        LevelConfig config;
        config.load(1);
        config.placeOnMap(1025, 1025, config.terrain->extent, config.terrain->extent);
    } catch (const FatalEnd&) {
    }
    return 0;
}
