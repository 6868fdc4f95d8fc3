// Runs a fuzz target over saved inputs without libFuzzer: each argument is a file, or a
// directory whose files are all run. A fatal line counts as a normal end; a crash, a
// sanitizer report or a hang (the test's time limit) fails the test.
#include "FuzzHarness.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

int runFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << file << "\n";
        return 1;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::cerr << "ran " << file.string() << " (" << bytes.size() << " bytes)\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (!std::filesystem::is_directory(path)) {
            failures += runFile(path);
            continue;
        }
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files)
            failures += runFile(file);
    }
    return failures == 0 ? 0 : 1;
}
