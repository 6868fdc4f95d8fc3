#include "TempDir.h"

#include "platform/AssetFiles.h"
#include "platform/ResizeListeners.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <vector>

namespace {

// Runs `body` with the working directory set to `dir`.
template <typename F>
void inDirectory(const std::filesystem::path& dir, F body)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    body();
    std::filesystem::current_path(previous);
}

} // namespace

TEST(AssetDirectory, FoundTwoLevelsUp)
{
    TempDir dir;
    dir.write("assets/settings.ini", "");
    std::filesystem::create_directories(dir.path() / "a" / "b");
    inDirectory(dir.path() / "a" / "b", [] { locateAssetsDir(); });
    EXPECT_EQ(gAssetsDir, "../../assets");
    inDirectory(dir.path(), [] { locateAssetsDir(); });
    EXPECT_EQ(gAssetsDir, "assets");
}

TEST(AssetDirectory, APlainFileNamedAssetsIsAccepted)
{
    TempDir dir;
    dir.write("work/assets", "not a directory");
    inDirectory(dir.path() / "work", [] { locateAssetsDir(); });
    EXPECT_EQ(gAssetsDir, "assets");
}

TEST(TextFiles, ReadWholeWithEveryLineEndAsLF)
{
    TempDir dir;
    bool ok = false;
    const struct {
        const char* text;
        const char* read;
    } files[] = {
        {"one\ntwo\nthree\n", "one\ntwo\nthree\n"},
        {"one\r\ntwo\r\n", "one\ntwo\n"},
        {"", ""},
        {"one\rtwo\rthree\r", "one\ntwo\nthree\n"},
        {"one\r\rtwo\n\r\nthree\r", "one\n\ntwo\n\nthree\n"},
    };
    for (const auto& f : files) {
        ok = false;
        EXPECT_EQ(readTextFile(dir.write("page.txt", f.text), &ok), f.read);
        EXPECT_TRUE(ok);
    }
    EXPECT_EQ(readTextFile((dir.path() / "missing.txt").string(), &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(readTextFile((dir.path() / "missing.txt").string(), nullptr), "");
    // A limit reads no further than that many bytes of the file.
    const std::string big = dir.write("big.txt", std::string(200000, 'x') + "\r\nend");
    EXPECT_EQ(readTextFile(big, &ok, 70000), std::string(70000, 'x'));
    EXPECT_TRUE(ok);
    EXPECT_EQ(readTextFile(big, &ok).size(), 200004u);
}

TEST(TextFiles, ResolverForgivesBackslashesAndLetterCase)
{
    TempDir dir;
    const std::string real = dir.write("Models/Mars Explorer/Maps/landarea2.png", "x");
    const std::string root = dir.path().string();
    EXPECT_EQ(resolvePath(real), real);
    EXPECT_EQ(resolvePath(root + "/models\\mars explorer\\MAPS/LandArea2.PNG"), real);
    EXPECT_EQ(resolvePath(root + "/models/none.png"), root + "/models/none.png");
}

namespace {
std::vector<int> gCalls;
void callbackA(void* listener, int second)
{
    gCalls.push_back(*static_cast<int*>(listener) * 10 + second);
}
void callbackB(void* listener, int)
{
    gCalls.push_back(-*static_cast<int*>(listener));
}
} // namespace

TEST(ResizeListeners, OneEntryPerObjectInAddressOrder)
{
    static ResizeListenerRegistry registry;
    int objects[3] = {1, 2, 3};
    gCalls.clear();
    registry.notifyAll();
    EXPECT_TRUE(gCalls.empty());

    registry.add(&objects[2], callbackA);
    registry.add(&objects[0], callbackA);
    registry.add(&objects[0], callbackB); // keeps the first callback
    registry.add(&objects[1], callbackA);
    registry.remove(&gCalls); // not registered: nothing happens
    EXPECT_EQ(registry.size(), 3u);
    registry.notifyAll();
    EXPECT_EQ(gCalls, (std::vector<int>{10, 20, 30}));

    registry.remove(&objects[1]);
    gCalls.clear();
    registry.notifyAll();
    EXPECT_EQ(gCalls, (std::vector<int>{10, 30}));
}
