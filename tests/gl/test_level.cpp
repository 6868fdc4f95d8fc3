// The terrain against the physics height field it stands on, and whole levels loaded,
// drawn and unloaded through the game object.
#include "GameGl.h"
#include "Heightmaps.h"
#include "unit/TempDir.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "level/Game.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "hud/Minimap.h"
#include "objects/Crawler.h"
#include "lander/Player.h"
#include "level/LevelConfig.h"
#include "scene/Model.h"
#include "gl/Framebuffer.h"
#include "screen/Font.h"
#include "platform/ResizeListeners.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class LevelGl : public PhysicsGlTest {
protected:
    // World height of the physics surface below (x, z); NaN when the ray misses.
    static float physicsHeight(float x, float z)
    {
        const btVector3 from(x, 10000.0f, z), to(x, -10000.0f, z);
        btCollisionWorld::ClosestRayResultCallback hit(from, to);
        gPhysics->m_scene->rayTest(from, to, hit);
        return hit.hasHit() ? hit.m_hitPointWorld.y() : NAN;
    }

    // The terrain as the level set-up builds it, for one terrain record.
    static Heightfield* buildTerrain(const TerrainDef& t, bool withNormalMap)
    {
        auto* h = new Heightfield(1.0f, 10, 10, 0.0f, 30.0f, 1, 40, 40.0f);
        h->loadTextures(t.hf, t.tm, withNormalMap ? t.nm : "", "", "");
        const int patches = std::max(1, static_cast<int>(std::lround(h->m_heights->m_width * 0.0625)));
        h->m_xpatches = h->m_zpatches = patches;
        h->m_patch_size = t.extent / patches;
        h->m_min_height = t.min_height;
        h->m_max_height = t.max_height;
        h->setExtent(patches * h->m_patch_size - 1.0f, patches * h->m_patch_size - 1.0f);
        h->m_actor = gPhysics->loadHeightmap(t);
        return h;
    }

    static void releaseTerrain(Heightfield* h)
    {
        gPhysics->releaseHeightmap(h->m_actor);
        delete h;
    }

};

TerrainDef testTerrain()
{
    TerrainDef t;
    t.hf = "terrain/test_hf.png";
    t.tm = "terrain/test_tm.png";
    t.nm = "terrain/test_nm.png";
    t.extent = 256.0f;
    t.min_height = 0.0f;
    t.max_height = 40.0f;
    return t;
}

} // namespace

TEST_F(LevelGl, TerrainQueriesAgreeWithThePhysicsSurface)
{
    const TerrainDef t = testTerrain();
    Heightfield* h = buildTerrain(t, true);
    ASSERT_EQ(h->m_heights->m_width, 129);
    EXPECT_EQ(h->m_xpatches, 8);
    EXPECT_FLOAT_EQ(h->m_extent_x, 255.0f);

    // Queries map the heights over one unit less than the physics grid: a sample that
    // lies at x in the query lies at x * 256 / 255 in the physics.
    const float stretch = 256.0f / 255.0f;
    // (Rays exactly on the physics border may slip past it, so the samples stay inside.)
    for (int i = 4; i <= 124; i += 8) {
        for (int j = 4; j <= 124; j += 8) {
            const float x = (i / 128.0f - 0.5f) * 255.0f, z = (j / 128.0f - 0.5f) * 255.0f;
            const float queried = h->getHeight(glm::vec3(x, 0.0f, z), nullptr);
            const float physics = physicsHeight(x * stretch, z * stretch);
            EXPECT_NEAR(queried, physics, 0.01f) << x << ", " << z;
        }
    }

    // Between samples the bilinear query and the physics triangles differ at most by
    // the spread of the cell's corners; the normals point the same way.
    float worstAngle = 0.0f;
    for (float x = -100.5f; x < 100.0f; x += 23.7f) {
        for (float z = -100.5f; z < 100.0f; z += 19.3f) {
            glm::vec3 n;
            const float queried = h->getHeight(glm::vec3(x, 0.0f, z), &n);
            const float px = x * stretch, pz = z * stretch;
            EXPECT_NEAR(queried, physicsHeight(px, pz), 0.6f);
            const float e = 1.0f;
            const glm::vec3 slope = glm::normalize(glm::vec3(physicsHeight(px - e, pz) - physicsHeight(px + e, pz), 2.0f * e,
                                                             physicsHeight(px, pz - e) - physicsHeight(px, pz + e)));
            worstAngle = std::max(worstAngle, std::acos(std::min(1.0f, glm::dot(glm::normalize(n), slope))));
        }
    }
    EXPECT_LT(worstAngle, 0.2f);
    releaseTerrain(h);
}

TEST_F(LevelGl, TerrainEdgesOrientationAndBadPositions)
{
    const std::string saved = gAssetsDir;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kestrun-level-gl";
    std::filesystem::create_directories(dir / "textures");
    // Bright north-west corner (picture top left), a slope down towards the east.
    writeHeightmap((dir / "textures" / "hf.png").string(), 17, 17, [](int x, int y) -> uint16_t {
        return x == 0 && y == 0 ? 65535 : static_cast<uint16_t>(2000 * (16 - x));
    });
    writeHeightmap((dir / "textures" / "flat.png").string(), 17, 17, [](int, int) -> uint16_t { return 65535; });
    std::filesystem::copy_file(std::filesystem::path(saved) / "textures" / "terrain" / "test_tm.png",
                               dir / "textures" / "tm.png", std::filesystem::copy_options::overwrite_existing);
    gAssetsDir = dir.string();

    TerrainDef t;
    t.hf = "hf.png";
    t.tm = "tm.png";
    t.extent = 33.0f;
    t.min_height = 0.0f;
    t.max_height = 65.535f;
    Heightfield* h = buildTerrain(t, false);
    ASSERT_EQ(h->m_heights->m_width, 17);
    const float half = h->m_extent_x / 2.0f;

    // North is -z: the bright corner is at (-x, -z) for the queries and the physics alike.
    EXPECT_NEAR(h->getHeight(glm::vec3(-half, 0.0f, -half), nullptr), 65.535f, 1e-3f);
    EXPECT_NEAR(physicsHeight(-16.45f, -16.45f), 65.535f, 3.0f);
    EXPECT_NEAR(h->getHeight(glm::vec3(-half, 0.0f, half), nullptr), 32.0f, 1e-3f);
    EXPECT_NEAR(h->getHeight(glm::vec3(1000.0f, 0.0f, 0.0f), nullptr), 0.0f, 1e-3f); // border height

    // On and beyond the +x and -z borders the cell has no far side; the normal stays finite
    // and still leans with the slope (the terrain falls towards +x).
    for (const glm::vec3& p : {glm::vec3(half, 0, -half), glm::vec3(half + 50.0f, 0, 0), glm::vec3(0, 0, -half)}) {
        glm::vec3 n(NAN);
        h->getHeight(p, &n);
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
        EXPECT_GT(n.y, 0.5f);
        EXPECT_GT(n.x, 0.0f);
    }
    glm::vec3 n;
    const float nanHeight = h->getHeight(glm::vec3(NAN, 0.0f, NAN), &n);
    EXPECT_TRUE(std::isfinite(nanHeight));
    EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    releaseTerrain(h);

    t.hf = "flat.png";
    h = buildTerrain(t, false);
    EXPECT_NEAR(h->getHeight(glm::vec3(3.0f, 0.0f, -5.0f), &n), 65.535f, 1e-3f);
    EXPECT_EQ(n, glm::vec3(0.0f, 1.0f, 0.0f));
    releaseTerrain(h);

    gAssetsDir = saved;
    std::filesystem::remove_all(dir);
}

TEST_F(LevelGl, ProgramFollowsTheLightAndSpecularMaps)
{
    Heightfield h(1.0f, 10, 10, 0.0f, 30.0f, 1, 40, 40.0f);
    const std::string lm = "terrain/europa_lm.png", sm = "terrain/europa_sm.png";
    const std::string hf = "terrain/test_hf.png", tm = "terrain/test_tm.png";
    h.loadTextures(hf, tm, "", "", sm);
    h.selectShader();
    EXPECT_EQ(h.m_shader->m_name, "heightfield");
    EXPECT_EQ(h.m_normals_map, nullptr);
    h.loadTextures(hf, tm, "", lm, "");
    h.selectShader();
    EXPECT_EQ(h.m_shader->m_name, "heightfieldLM");
    // With a specular map of zeros, the specular program shows the same lit colour as
    // the light-mapped one, though it reads that colour from the combined map it builds.
    const std::string saved = gAssetsDir;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kestrun-specular-gl";
    std::filesystem::create_directories(dir / "textures");
    for (const std::string& file : {hf, tm, lm})
        std::filesystem::copy_file(std::filesystem::path(saved) / "textures" / file,
                                   dir / "textures" / std::filesystem::path(file).filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    writeHeightmap((dir / "textures" / "dull.png").string(), 9, 9, [](int, int) -> uint16_t { return 0; });
    gAssetsDir = dir.string();
    const glm::vec3 savedSun = gLightDirNormed;
    const float savedShadow = gPlayerShadow;
    gLightDirNormed = glm::vec3(1.0f, 0.0f, 0.0f);
    gPlayerShadow = 0.0f;
    glPatchParameteri(GL_PATCH_VERTICES, 4);
    const glm::mat4 projView = glm::perspective(glm::radians(40.0f), 1.0f, 1.0f, 100.0f) *
                               glm::lookAt(glm::vec3(0.0f, 14.0f, 0.0f), glm::vec3(0.0f), glm::vec3(0, 0, -1));
    OffscreenTarget target(64, 64);
    glGenVertexArrays(1, &h.m_vao);
    glGenVertexArrays(1, &h.m_lowestVao);
    glEnable(GL_DEPTH_TEST);
    const auto draw = [&] {
        target.clear();
        h.render(projView, glm::vec3(0.0f, 14.0f, 0.0f));
        return target.read();
    };
    h.loadTextures("test_hf.png", "test_tm.png", "", "europa_lm.png", "");
    const auto lightOnly = draw();
    h.loadTextures("test_hf.png", "test_tm.png", "", "europa_lm.png", "dull.png");
    h.selectShader();
    EXPECT_EQ(h.m_shader->m_name, "heightfieldLMSM");
    const auto withSpecular = draw();
    int worst = 0;
    for (int y = 8; y < 56; y += 4)
        for (int x = 8; x < 56; x += 4) {
            const glm::ivec4 d = glm::abs(target.at(withSpecular, x, y) - target.at(lightOnly, x, y));
            worst = std::max({worst, d.r, d.g, d.b});
        }
    EXPECT_LE(worst, 3);
    EXPECT_GT(target.at(lightOnly, 32, 32).r + target.at(lightOnly, 32, 32).g, 40) << "the terrain is in the picture";

    // The shine follows the normal the program builds from its one fetch of height
    // differences: on a black, evenly sloping ground seen from straight above, a sun
    // placed where the height samples' own normal mirrors the view lights the middle
    // pixel at full shine; mirrored to the other side of the slope, nothing shows.
    writeHeightmap((dir / "textures" / "black.png").string(), 9, 9, [](int, int) -> uint16_t { return 0; });
    writeHeightmap((dir / "textures" / "white.png").string(), 9, 9, [](int, int) -> uint16_t { return 65535; });
    struct Ramp {
        const char* name;
        int dx, dy; // height steps per sample column and row (about 20 degrees)
    };
    for (const Ramp& ramp : {Ramp{"rising along columns", 994, 0}, Ramp{"rising along rows", 0, 994},
                             Ramp{"falling along columns", -994, 0}}) {
        SCOPED_TRACE(ramp.name);
        writeHeightmap((dir / "textures" / "ramp.png").string(), 9, 9, [&](int x, int y) -> uint16_t {
            return static_cast<uint16_t>(10000 + ramp.dx * x + ramp.dy * y);
        });
        h.loadTextures("ramp.png", "black.png", "", "white.png", "white.png");
        h.setExtent(10.0f, 10.0f); // the grid the program spreads the samples over
        glm::vec3 normal;
        h.getHeight(glm::vec3(0.0f), &normal);
        ASSERT_NEAR(std::acos(normal.y), glm::radians(20.0f), 0.01f);
        const glm::vec3 view(0.0f, 1.0f, 0.0f);
        const glm::vec3 mirrored = 2.0f * glm::dot(normal, view) * normal - view;
        gLightDirNormed = mirrored;
        const glm::ivec4 lit = target.at(draw(), 32, 32);
        gLightDirNormed = glm::vec3(-mirrored.x, mirrored.y, -mirrored.z);
        const glm::ivec4 away = target.at(draw(), 32, 32);
        EXPECT_GE(std::min({lit.r, lit.g, lit.b}), 240) << "red " << lit.r;
        EXPECT_LE(std::max({away.r, away.g, away.b}), 10) << "red " << away.r;
    }
    gLightDirNormed = savedSun;
    gPlayerShadow = savedShadow;
    glDeleteVertexArrays(1, &h.m_vao);
    glDeleteVertexArrays(1, &h.m_lowestVao);
    h.freeTextures();
    gAssetsDir = saved;
    std::filesystem::remove_all(dir);
    EXPECT_EQ(h.m_heights, nullptr);
    EXPECT_EQ(h.m_specmap, nullptr);
}

namespace {

// 40 x 40 units of the test hills, `height` high, in 10 x 10 patches of 4, ready to draw
// with the depth test and back faces culled and without the lander's shadow; the GL
// state and the shadow go back as they were when it goes.
struct TestHills {
    Heightfield h;
    float savedShadow = gPlayerShadow;

    explicit TestHills(float height, const std::string& specmap = "") : h(4.0f, 10, 10, 0.0f, height, 1, 16, 20.0f)
    {
        h.loadTextures("terrain/test_hf.png", "terrain/test_tm.png", "", "terrain/europa_lm.png", specmap);
        h.selectShader();
        glGenVertexArrays(1, &h.m_vao);
        glGenVertexArrays(1, &h.m_lowestVao);
        glPatchParameteri(GL_PATCH_VERTICES, 4);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        gPlayerShadow = 0.0f;
    }
    ~TestHills()
    {
        gPlayerShadow = savedShadow;
        glDisable(GL_CULL_FACE);
        glDeleteVertexArrays(1, &h.m_vao);
        glDeleteVertexArrays(1, &h.m_lowestVao);
        h.freeTextures();
    }
    // The hills seen from eye towards their middle, the player over a corner.
    std::vector<uint8_t> draw(const OffscreenTarget& target, const glm::vec3& eye, float fovDegrees,
                              const glm::vec3& up)
    {
        const glm::mat4 projView = glm::perspective(glm::radians(fovDegrees), 1.0f, 1.0f, 400.0f) *
                                   glm::lookAt(eye, glm::vec3(0.0f), up);
        target.clear();
        h.render(projView, glm::vec3(-18.0f, 10.0f, -18.0f));
        return target.read();
    }
};

} // namespace

TEST_F(LevelGl, PatchesAtTheLowestLevelDrawAsTheTessellationWould)
{
    // The hills seen from above: the patches far from the player (in a corner) and those
    // the camera sees small go without the tessellation stages.
    TestHills hills(30.0f);
    Heightfield& h = hills.h;
    OffscreenTarget target(128, 128, 0.0f);
    const auto plainIndices = [&] {
        GLint buffer = 0, size = 0;
        glBindVertexArray(h.m_lowestVao);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &buffer);
        if (buffer)
            glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        glBindVertexArray(0);
        return size / 4;
    };
    for (const glm::vec3& eye : {glm::vec3(0.0f, 60.0f, 0.0f), glm::vec3(0.0f, 200.0f, 0.0f)}) {
        SCOPED_TRACE(eye.y);
        Shader* lowest = h.m_lowestShader;
        const auto mixed = hills.draw(target, eye, 40.0f, glm::vec3(0, 0, -1));
        const int indices = plainIndices();
        EXPECT_GT(indices, 0);
        EXPECT_LT(indices, 100 * 24) << "some patches near the player are still tessellated at 60";
        h.m_lowestShader = nullptr;
        const auto tessellated = hills.draw(target, eye, 40.0f, glm::vec3(0, 0, -1));
        h.m_lowestShader = lowest;
        // No pixel left open between the two kinds of patch, and the ground in the same
        // place: the points left out move it by less than a pixel.
        int covered = 0, apart = 0;
        for (int y = 0; y < target.height; ++y) {
            for (int x = 0; x < target.width; ++x) {
                const glm::ivec4 a = target.at(mixed, x, y), b = target.at(tessellated, x, y);
                covered += b.a > 0;
                EXPECT_EQ(a.a, b.a) << x << ", " << y;
                const glm::ivec4 d = glm::abs(a - b);
                apart += d.r + d.g + d.b;
            }
        }
        EXPECT_GT(covered, 1000);
        EXPECT_LE(apart, 3 * covered) << "a mean difference of a level at the most";
    }
}

TEST_F(LevelGl, TheCutLeavesTheGroundWithinAPixelOfItsFullDetail)
{
    // Low hills (3 units high over 40) from far off, where what the screen shows sets
    // the levels and their gentle slopes let the cut go coarser still: cut as the
    // rules cut them, and every edge at the highest level, the ground differs only
    // where a line of the colour map moves by less than a pixel.
    TestHills hills(3.0f);
    OffscreenTarget target(192, 192, 0.0f);
    for (const glm::vec3& eye : {glm::vec3(0.0f, 50.0f, 35.0f), glm::vec3(10.0f, 90.0f, 20.0f)}) {
        SCOPED_TRACE(eye.y);
        hills.h.m_min_subdivisions = 1;
        const auto cut = hills.draw(target, eye, 40.0f, glm::vec3(0, 1, 0));
        hills.h.m_min_subdivisions = 16;
        const auto full = hills.draw(target, eye, 40.0f, glm::vec3(0, 1, 0));
        int covered = 0, apart = 0;
        for (int y = 0; y < target.height; ++y) {
            for (int x = 0; x < target.width; ++x) {
                const glm::ivec4 d = glm::abs(target.at(cut, x, y) - target.at(full, x, y));
                covered += target.at(full, x, y).a > 0;
                apart += d.r + d.g + d.b;
            }
        }
        EXPECT_GT(covered, 10000);
        // Cut three times as coarse as the slopes allow, the first view differs by half
        // a level a channel; as cut, by less than a third.
        EXPECT_LE(apart, 1.2 * covered) << "a mean difference of 0.4 levels a channel at the most";
    }
}

TEST_F(LevelGl, PatchesWithoutShineDrawAsTheSpecularProgramWould)
{
    // Low icy hills with the specular map, from above and from low down, with the sun
    // low and high: the patches told matte go without the shine and look the same.
    TestHills hills(4.0f, "terrain/europa_sm.png");
    Heightfield& h = hills.h;
    ASSERT_NE(h.m_matteShader, nullptr);
    const glm::vec3 savedSun = gLightDirNormed;
    OffscreenTarget target(160, 160, 0.0f);
    int matte = 0, shiny = 0;
    for (const glm::vec3& sun :
         {glm::vec3(0.95f, 0.15f, 0.2f), glm::vec3(0.2f, 0.2f, -0.95f), glm::vec3(-0.2f, 0.95f, 0.1f)}) {
        gLightDirNormed = glm::normalize(sun);
        for (const glm::vec3& eye : {glm::vec3(0.0f, 70.0f, 10.0f), glm::vec3(-40.0f, 25.0f, 30.0f)}) {
            SCOPED_TRACE(testing::Message() << "sun " << sun.x << ", eye " << eye.x);
            const auto split = hills.draw(target, eye, 50.0f, glm::vec3(0, 1, 0));
            matte += h.m_drawn.tessellated - h.m_drawn.tessellatedShiny +
                     (h.m_drawn.lowestIndices - h.m_drawn.lowestShinyIndices) / 24;
            shiny += h.m_drawn.tessellatedShiny;
            Shader* matteShader = h.m_matteShader;
            h.m_matteShader = nullptr;
            const auto whole = hills.draw(target, eye, 50.0f, glm::vec3(0, 1, 0));
            h.m_matteShader = matteShader;
            int largest = 0;
            for (size_t i = 0; i < whole.size(); ++i)
                largest = std::max(largest, std::abs(static_cast<int>(split[i]) - static_cast<int>(whole[i])));
            EXPECT_LE(largest, 1) << "a patch whose shine shows went matte";
        }
    }
    EXPECT_GT(matte, 20);
    EXPECT_GT(shiny, 20);
    gLightDirNormed = savedSun;
}

TEST_F(LevelGl, LevelsLoadDrawAndUnload)
{
    gGame.m_antialiasing = 4;
    Font font("ALIENS.ttf", 48);
    font.saveStyle();
    gFontSmall = &font;
    for (int level : {99, 1}) {
        gCurrentLevel = level;
        gGame.init(level, false);
        ASSERT_TRUE(gGame.isInitialized());
        // The loading screen: the test level has neither picture nor text.
        EXPECT_TRUE(gGame.m_loadingScreen);
        EXPECT_EQ(gGame.m_loadingImage != nullptr, level == 1);
        if (level == 99)
            EXPECT_EQ(gGame.m_introText, "INTRO TEXT NOT AVAILABLE");
        else
            EXPECT_EQ(gGame.m_introText.rfind("GANYMEDE", 0), 0u) << gGame.m_introText;
        // The prompt below the picture is drawn only once the level has loaded.
        auto promptShown = [] {
            const int h = 30, y = gWindowHeight / 20; // below the picture
            std::vector<unsigned char> band(static_cast<size_t>(gWindowWidth) * h * 4);
            glReadPixels(0, y, gWindowWidth, h, GL_RGBA, GL_UNSIGNED_BYTE, band.data());
            return std::any_of(band.begin(), band.end(), [](unsigned char c) { return c > 200; });
        };
        gGame.render();
        EXPECT_TRUE(promptShown()) << "level " << level;
        gGame.m_loadingScreen = false;
        gGame.showLoadingScreen(0);
        EXPECT_FALSE(promptShown()) << "level " << level;
        gGame.m_loadingScreen = true;

        gGame.m_camera.saveResetState();
        gGame.m_camera.resetState.max_rad = 80.0f;
        gGame.leaveLoadingScreen();
        EXPECT_FLOAT_EQ(gGame.m_camera.max_rad, 50.0f);
        EXPECT_EQ(gGame.m_loadingImage, nullptr);
        ASSERT_NE(gGame.m_heightfield, nullptr);
        // The terrain, one static box per crawler and one per crystal.
        EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(),
                  static_cast<int>(1 + gGame.m_crawlers.size() + gGame.m_crystals.size()));
        EXPECT_FLOAT_EQ(gGravity, 4.0f);
        EXPECT_FLOAT_EQ(gPhysics->m_scene->getGravity().y(), -4.0f);
        ASSERT_FALSE(gDrawList.empty());
        EXPECT_EQ(gDrawList.front(), gGame.m_skybox);
        // Level 99 shows Kestrun as a sprite, level 1 as a lit sphere.
        EXPECT_EQ(gGame.m_planet != nullptr, level == 1);
        EXPECT_EQ(gGame.m_texPlanetSprite != nullptr, level == 99);
        EXPECT_FLOAT_EQ(gGame.m_camera.r, 12.0f);
        EXPECT_TRUE(gGame.m_loadingScreen == false);

        gGame.m_projection = gGame.m_camera.getProjection();
        gGame.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        // The camera looks down on the lander: terrain fills the lower part of the frame.
        std::vector<unsigned char> pixel(4);
        glReadPixels(gWindowWidth / 2, gWindowHeight / 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
        EXPECT_GT(pixel[0] + pixel[1] + pixel[2], 60) << "level " << level;

        // The frame refreshed the minimap: the lander is the red marker at its place,
        // a crawler with helium a pale one. An emptied crawler turns blue only at the
        // next refresh, ten frames on.
        ASSERT_NE(gGame.m_minimap, nullptr);
        const float worldSize = gGame.m_heightfield->m_patch_size * gGame.m_heightfield->m_xpatches;
        // The middle of a marker, whose lower left corner is on the map point.
        auto mapColour = [&](const glm::vec3& at) {
            const glm::vec2 p = gGame.m_minimap->mapPoint(at.x, at.z, worldSize, worldSize) + 3.0f;
            std::vector<unsigned char> texel(4);
            glBindFramebuffer(GL_READ_FRAMEBUFFER, gGame.m_minimap->framebuffer);
            glReadPixels(static_cast<int>(p.x), static_cast<int>(p.y), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
            glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
            return glm::ivec3(texel[0], texel[1], texel[2]);
        };
        EXPECT_EQ(mapColour(gGame.m_player->state.position), glm::ivec3(255, 0, 0)) << "level " << level;
        if (level == 1) {
            ASSERT_FALSE(gGame.m_crawlers.empty());
            Crawler* crawler = gGame.m_crawlers.back();
            EXPECT_EQ(mapColour(crawler->m_position), glm::ivec3(221, 221, 255));
            crawler->m_helium = 0;
            gGame.render();
            EXPECT_EQ(mapColour(crawler->m_position), glm::ivec3(221, 221, 255));
            for (int frame = 2; frame <= 10; ++frame)
                gGame.render();
            EXPECT_EQ(mapColour(crawler->m_position), glm::ivec3(0, 0, 255));
        }

        // A new window size rebuilds both scene framebuffers at that size.
        const int width = gWindowWidth, height = gWindowHeight;
        gWindowWidth = 640;
        gWindowHeight = 400;
        notifyResizeListeners();
        ASSERT_NE(gGame.m_msaaFramebuffer, nullptr);
        EXPECT_EQ(gGame.m_msaaFramebuffer->m_width, 640);
        EXPECT_EQ(gGame.m_resolveFramebuffer->m_height, 400);
        gWindowWidth = width;
        gWindowHeight = height;
        notifyResizeListeners();

        gGame.cleanup();
        gGame.cleanup();
        EXPECT_FALSE(gGame.isInitialized());
        EXPECT_TRUE(gDrawList.empty());
        EXPECT_EQ(gGame.m_heightfield, nullptr);
        EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(), 0);
    }
    gFontSmall = nullptr;
}

TEST_F(LevelGl, CrystalsPastTheFloatRangeEndTheStartAndOnesOffTheMapOrOnTheLanderWarn)
{
    // The shipped assets with a level 99 of our own: the test level and the crystals of a
    // row. The lander starts at (0, 30, 0); pixel 64 is world 0, the map 256 wide.
    TempDir assets;
    for (const auto& entry : std::filesystem::directory_iterator(gAssetsDir))
        if (entry.path().filename() != "levels")
            std::filesystem::create_directory_symlink(std::filesystem::absolute(entry.path()),
                                                      assets.path() / entry.path().filename());
    std::stringstream level99;
    level99 << std::ifstream(gAssetsDir + "/levels/level_99.ini").rdbuf();
    const struct {
        const char* crystals;
        const char* message;
        bool fatal;
    } cases[] = {
        {"num = 1\ncry_1 = w0,w0,25,1e30\n",
         "WARNING: [crystals] cry_1 at (0, 25, 0) overlaps the lander at its start (0, 30, 0)\n", false},
        {"num = 3\ncry_1 = 20,20,-9999\ncry_3 = w0,w0,28\n",
         "WARNING: [crystals] cry_3 at (0, 28, 0) overlaps the lander at its start (0, 30, 0)\n", false},
        {"num = 2\ncry_1 = 20,20,-9999\ncry_2 = 64,64,-9999,3.4e38\n", "ERROR: Crystal cry_2 is defined incorrectly\n",
         true},
        {"num = 1\ncry_1 = w0,129,-9999\n",
         "WARNING: [crystals] cry_1 at (0, 130) lies off the map, whose extent is 256 x 256\n", false},
    };
    struct FatalEnd {
        std::string message;
    };
    setFatalHook([](const std::string& message) { throw FatalEnd{message}; });
    const std::string saved = gAssetsDir;
    gAssetsDir = assets.path().string();
    gGame.m_antialiasing = 0;
    gCurrentLevel = 99;
    for (const auto& c : cases) {
        assets.write("levels/level_99.ini", level99.str() + "\n[crystals]\n" + c.crystals);
        testing::internal::CaptureStdout();
        bool fatal = false;
        std::string error;
        try {
            gGame.init(99, true);
        } catch (const FatalEnd& end) {
            fatal = true;
            error = "ERROR: " + end.message + "\n";
        }
        const std::string output = testing::internal::GetCapturedStdout() + error;
        gGame.cleanup();
        EXPECT_EQ(fatal, c.fatal) << c.crystals;
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
        // Only the crystal on the lander is named.
        const size_t named = output.find("overlaps the lander");
        EXPECT_EQ(output.find("overlaps the lander", named == std::string::npos ? 0 : named + 1), std::string::npos)
            << output;
    }
    gAssetsDir = saved;
    setFatalHook(nullptr);
}
