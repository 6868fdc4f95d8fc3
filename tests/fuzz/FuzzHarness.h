// What every fuzz target shares. A fatal line is an ordinary outcome for damaged input:
// the fatal path throws FatalEnd here instead of ending the process, and the target
// catches it. Standard output (warnings of the loaders) is dropped.
#pragma once

#include "platform/Fatal.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

struct FatalEnd {
    std::string message;
};

inline void throwFatalEnd(const std::string& message)
{
    throw FatalEnd{message};
}

inline void harnessSetUp()
{
    static const bool done = [] {
        setFatalHook(throwFatalEnd);
        std::cout.rdbuf(nullptr);
        return true;
    }();
    (void)done;
}

// A directory of this process for targets that hand their input over as a file.
inline const std::filesystem::path& scratchDir()
{
    static const std::filesystem::path dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrun-fuzz-XXXXXX").string();
        const std::filesystem::path made = mkdtemp(pattern.data());
        static const std::filesystem::path removed = made;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removed, ec);
        });
        return made;
    }();
    return dir;
}

inline void writeInput(const std::filesystem::path& file, const uint8_t* data, size_t size)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                   static_cast<std::streamsize>(size));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
