// The settings reader over any settings.ini.
#include "FuzzHarness.h"

#include "app/Settings.h"
#include "level/Game.h"
#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    harnessSetUp();
    static Game* game = new Game();
    const std::filesystem::path file = scratchDir() / "settings.ini";
    writeInput(file, data, size);
    try {
        const auto reader = openIniReader(file.string());
        readSettings(*reader, *game);
    } catch (const FatalEnd&) {
    }
    return 0;
}
