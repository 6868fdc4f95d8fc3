#include "platform/AssetFiles.h"
#include "ChildProcess.h"
#include "level/LevelConfig.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* terrainOnly = R"([terrain]
hf = hf.png
tm = tm.png
hf_scale = 2
hf_pixelwidth = 128
min_height = 10
max_height = 50
)";

class LevelConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedAssets = gAssetsDir;
        gAssetsDir = m_dir.path().string();
    }
    void TearDown() override { gAssetsDir = m_savedAssets; }

    void writeLevel(int level, const std::string& text)
    {
        m_dir.write("levels/level_" + std::to_string(level) + ".ini", text);
    }

    // Loads a level and returns what it printed.
    std::string load(LevelConfig& config, int level)
    {
        testing::internal::CaptureStdout();
        config.load(level);
        return testing::internal::GetCapturedStdout();
    }

    // Loads the level in a child process, where a fatal error may end it, and places it
    // on a heightmap of 129 x 129 samples, where world = 2 x pixel - 128 for the terrain
    // of 256 x 256 above.
    ChildResult loadInChild(int level)
    {
        return runInChild([level] {
            LevelConfig config;
            config.load(level);
            config.placeOnMap(129, 129, config.terrain->extent, config.terrain->extent);
        });
    }

    TempDir m_dir;
    std::string m_savedAssets;
};

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

void expectVec(const glm::vec3& actual, const glm::vec3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

} // namespace

TEST_F(LevelConfigTest, TerrainOnlyFileDerivesWhatItDoesNotSay)
{
    writeLevel(7, terrainOnly);
    LevelConfig c;
    const std::string out = load(c, 7);

    ASSERT_EQ(c.terrain, &c.terrain_def);
    EXPECT_EQ(c.terrain_def.extent, 256.0f);
    // Derived from the height range r = 40.
    expectVec(c.start_position, glm::vec3(0.0f, 100.0f, 0.0f));
    EXPECT_FLOAT_EQ(c.target_height, 10.0f + 5.0f * 40.0f);
    EXPECT_FLOAT_EQ(c.rad_min_height, 30.0f);
    EXPECT_FLOAT_EQ(c.rad_max_height, 58.0f);
    EXPECT_FLOAT_EQ(c.space_min_height, 116.0f);
    EXPECT_FLOAT_EQ(c.space_max_height, 174.0f);
    EXPECT_FLOAT_EQ(c.min_border, -51.2f);

    EXPECT_TRUE(c.crawlers.empty() && c.liquids.empty() && c.radiation_zones.empty() && c.crystals.empty());
    EXPECT_EQ(c.target_helium, 1);
    EXPECT_NE(out.find("WARNING: Level is impossible to win: target helium = 0\n"), std::string::npos);

    // The crystal colours go through whole bytes: 0.1 becomes 25 / 255.
    expectVec(c.crystal_color_amb, glm::vec3(25, 25, 51) / 255.0f);
    expectVec(c.crystal_color_diff, glm::vec3(153, 153, 255) / 255.0f);
    expectVec(c.crystal_color_spec, glm::vec3(204, 204, 204) / 255.0f);

    // Sun at azimuth 0, elevation 0: the sky rotation is the base quaternion.
    const glm::quat s = glm::normalize(glm::quat(0.824453f, -0.457001f, 0.291954f, -0.161832f));
    EXPECT_NEAR(c.sun_rotation.w, s.w, 1e-6f);
    EXPECT_NEAR(c.sun_rotation.x, s.x, 1e-6f);
    EXPECT_FLOAT_EQ(c.camera_theta, 0.5235988f);
}

TEST_F(LevelConfigTest, ListsAreReadConvertedAndScaled)
{
    writeLevel(1, std::string(terrainOnly) + R"(
[misc]
tex_coords_multiplier = 2.0
[global]
num_crawlers = 3
[crawler_1]
num_waypoints = 2
wp_1 = 12.5,40
wp_2_x = 7
[crawler_2]
helium = 0
num_waypoints = 1
wp_1_x = 7
wp_1_y = 9
[crawler_3]
helium = 300
num_waypoints = 1
cycle_waypoints = no
[liquids]
num = 3
type = water
liquid_1 = 1,2,3,4,5
liquid_3 = 1,2,3,4,5,90
[radiation]
num = 1
rad_1 = 10,20,5,30
rad_2 = 1,1,1,1
[crystals]
num = 3
cry_1 = w120, i37, -9999
cry_2 = 5,6,7,2.5,90,0,180
)");
    LevelConfig c;
    load(c, 1);

    ASSERT_EQ(c.crawlers.size(), 3u);
    const CrawlerDef& a = *c.crawlers[0];
    ASSERT_EQ(a.num_waypoints, 2);
    EXPECT_EQ(a.waypoints[0], glm::vec2(25.0f, 80.0f));
    EXPECT_EQ(a.waypoints[1], glm::vec2(14.0f, 0.0f)); // wp_2_x alone
    EXPECT_EQ(a.helium, 600);
    EXPECT_FLOAT_EQ(a.speed_upon_landing, -1.0f);
    EXPECT_TRUE(a.cycle_waypoints);
    EXPECT_EQ(c.crawlers[1]->waypoints[0], glm::vec2(14.0f, 18.0f));
    EXPECT_FALSE(c.crawlers[2]->cycle_waypoints);
    EXPECT_EQ(c.target_helium, 900);

    ASSERT_EQ(c.liquids.size(), 2u);
    EXPECT_EQ(c.liquids[0]->lava, 0);
    EXPECT_FLOAT_EQ(c.liquids[0]->rotation, 0.0f);
    EXPECT_FLOAT_EQ(c.liquids[0]->width, 6.0f);
    EXPECT_FLOAT_EQ(c.liquids[0]->height, 5.0f); // a world height: not scaled
    EXPECT_NEAR(c.liquids[1]->rotation, 1.5707963f, 1e-6f);

    ASSERT_EQ(c.radiation_zones.size(), 1u); // rad_2 is beyond num
    EXPECT_FLOAT_EQ(c.radiation_zones[0]->r1, 60.0f);
    EXPECT_FLOAT_EQ(c.radiation_zones[0]->r2, 10.0f);

    ASSERT_EQ(c.crystals.size(), 2u);
    const CrystalDef& w = *c.crystals[0];
    EXPECT_EQ(w.x_in_pixels, 0);
    EXPECT_EQ(w.z_in_pixels, 1);
    expectVec(w.position, glm::vec3(120.0f, -9999.0f, 74.0f));
    EXPECT_FLOAT_EQ(w.scale, 1.0f);
    const CrystalDef& p = *c.crystals[1];
    expectVec(p.position, glm::vec3(10.0f, 7.0f, 12.0f));
    EXPECT_FLOAT_EQ(p.scale, 2.5f);
    expectVec(p.rotation, glm::vec3(1.5707963f, 0.0f, 3.1415926f));

    // A reload starts from empty lists.
    load(c, 1);
    EXPECT_EQ(c.crawlers.size(), 3u);
    c.clear();
    EXPECT_TRUE(c.crawlers.empty() && c.liquids.empty() && c.radiation_zones.empty() && c.crystals.empty());
}

TEST_F(LevelConfigTest, PlayerGravityHeliumAndKeyCase)
{
    writeLevel(2, std::string(terrainOnly) + R"(
[PLAYER]
START_X = 5
target_helium = 4000
[Global]
Gravity = 0
)");
    LevelConfig c;
    const std::string out = load(c, 2);
    expectVec(c.start_position, glm::vec3(5.0f, -10000.0f, -10000.0f));
    EXPECT_EQ(c.gravity, 0.0f);
    EXPECT_EQ(c.target_helium, 4000);
    EXPECT_NE(out.find("WARNING: Level is impossible to win: target helium (4000) exceeds max helium (3600)"),
              std::string::npos);

    writeLevel(3, std::string(terrainOnly) + "[global]\ngravity = -3\n[player]\ntarget_helium = -5\n");
    const std::string out3 = load(c, 3);
    EXPECT_FLOAT_EQ(c.gravity, 9.81f);
    EXPECT_EQ(c.target_helium, -5);
    EXPECT_NE(out3.find("target helium (-5) exceeds max helium (3600)"), std::string::npos);
}

TEST_F(LevelConfigTest, SkyRotationFollowsTheSunAndCanBeKept)
{
    writeLevel(4, std::string(terrainOnly) + "sun_azim = 90\nsun_elev = 30\n[skybox]\nfull = cross.png\n"
                                             "sun_x = 0\nsun_y = 0\nsun_z = 0\nsun_w = 1\n");
    LevelConfig c;
    load(c, 4);
    EXPECT_TRUE(c.skybox_name.empty());
    EXPECT_TRUE(c.skybox_ext.empty());
    EXPECT_EQ(c.skybox_full, "cross.png");
    const glm::quat expected = glm::angleAxis(glm::radians(-90.0f), glm::vec3(0, 1, 0)) *
                               glm::angleAxis(glm::radians(30.0f), glm::vec3(1, 0, 0));
    EXPECT_NEAR(std::fabs(glm::dot(c.sun_rotation, expected)), 1.0f, 1e-5f);

    writeLevel(5, std::string(terrainOnly) + "sun_azim = 10\n[skybox]\nrotate = no\n");
    const std::string out = load(c, 5);
    EXPECT_NEAR(std::fabs(glm::dot(c.sun_rotation, expected)), 1.0f, 1e-5f);
    EXPECT_NE(out.find("WARN:SkyboxUnrotated "), std::string::npos);
}

TEST_F(LevelConfigTest, Level55RunsOnTheBuiltInTerrain)
{
    LevelConfig c;
    load(c, 55);
    EXPECT_EQ(c.terrain, &gDefaultTerrainInfo);
    EXPECT_EQ(c.terrain->hf, "mini-HF.png");
    EXPECT_FLOAT_EQ(c.terrain->extent, 4.0f);
    expectVec(c.start_position, glm::vec3(0.0f, 10.0f, 0.0f));
    EXPECT_EQ(c.target_helium, 0);
    EXPECT_EQ(c.fuel, -1);
    // The rest is what an empty file gives, so the level can start.
    EXPECT_EQ(c.skybox_name, "skybox/sb2/");
    EXPECT_EQ(c.music, "ganymed.mp3");
    EXPECT_FLOAT_EQ(c.rad_max_height, 6.0f);
}

TEST_F(LevelConfigTest, MalformedValuesGetSafeDefaults)
{
    writeLevel(6, std::string(terrainOnly) + R"(
[misc]
tex_coords_multiplier = -1
[global]
gravity = nan
num_crawlers = 1
[crawler_1]
helium = -5
speed = inf
speed_upon_landing = 1e30
num_waypoints = 4
wp_1 = 10,10
wp_2 = 10,10
wp_3 = 20,10
wp_4 = 20,10
[crystals]
num = 2
cry_1 = )" + std::string(150, '0') + R"(5,5,1
cry_2 = 1,2,3,0
[radiation]
min_height = 600
max_height = nan
min_border = 0
max_border = -400
space_min_height = 900
space_max_height = 700
num = 2
rad_1 = 10,20,5,30
rad_2 = 0,0.53,5.3,5.3
)");
    LevelConfig c;
    const std::string out = load(c, 6);
    EXPECT_FLOAT_EQ(c.gravity, 9.81f);
    const CrawlerDef& crawler = *c.crawlers[0];
    EXPECT_EQ(crawler.helium, 0);
    EXPECT_EQ(crawler.speed, 0.0f);
    EXPECT_EQ(crawler.speed_upon_landing, 0.0f); // 1e30 would leave the map in one step
    // Repeated points are dropped: a crawler could not head from one to the other.
    ASSERT_EQ(crawler.num_waypoints, 2);
    EXPECT_EQ(crawler.waypoints[1], glm::vec2(20.0f, 10.0f));
    ASSERT_EQ(c.crystals.size(), 2u);
    EXPECT_FLOAT_EQ(c.crystals[0]->position.x, 5.0f);
    EXPECT_FLOAT_EQ(c.crystals[1]->scale, 1.0f);
    EXPECT_NE(out.find("WARNING: [global] gravity is not a finite number"), std::string::npos);
    // A multiplier below 0 would turn the zone's band inside out: radiation everywhere.
    ASSERT_EQ(c.radiation_zones.size(), 2u);
    EXPECT_FLOAT_EQ(c.radiation_zones[0]->r1, 30.0f);
    EXPECT_FLOAT_EQ(c.radiation_zones[0]->r2, 5.0f);
    // So would the rounding of equal radii placed at different x and z.
    c.placeOnMap(129, 129, 256.0f, 256.0f);
    EXPECT_GE(c.radiation_zones[1]->world_r1, c.radiation_zones[1]->world_r2);
    EXPECT_NE(out.find("WARNING: Crawler 1 carries negative helium"), std::string::npos);
    // Bands upside down would radiate in full below them: the upper edge moves to the
    // lower one plus the default width (0.7 x the height range, 0.2 x the extent).
    EXPECT_FLOAT_EQ(c.rad_max_height, 628.0f);
    EXPECT_FLOAT_EQ(c.max_border, 51.2f);
    EXPECT_FLOAT_EQ(c.space_max_height, 900.0f + 628.0f);
    EXPECT_NE(out.find("WARNING: [radiation] max_height 58 is below min_height 600; using 628 instead\n"),
              std::string::npos)
        << out;
    // Repeats are reported once for the crawler, with their count.
    const std::string repeats = "WARNING: Crawler 1 has 2 waypoint(s) repeating the one before; they are left out\n";
    EXPECT_NE(out.find(repeats), std::string::npos) << out;
    EXPECT_EQ(out.find("WARNING: Crawler 1", out.find(repeats) + 1), std::string::npos) << out;
}

TEST_F(LevelConfigTest, BadEntriesWarnOrEndTheProgramWithTheirMessage)
{
    const std::string base = terrainOnly;
    const std::string crawler = base + "[global]\nnum_crawlers = 1\n[crawler_1]\n";
    const struct {
        std::string file;
        std::string message;
        int exitCode = 255;
    } cases[] = {
        {base + "[liquids]\ntype = oil\n", "ERROR: Unknown liquid type \"oil\"\n"},
        {base + "[liquids]\nnum = 1\nliquid_1 = 1,2,3,4\n", "ERROR: Liquid liquid_1 is defined incorrectly\n"},
        {base + "[liquids]\nnum = 1\nliquid_1 = 1,2,0,4,5\n", "ERROR: Liquid liquid_1 is defined incorrectly\n"},
        {base + "[radiation]\nnum = 2\nrad_2 = 1,2,3\n", "ERROR: Radiation zone rad_2 is defined incorrectly\n"},
        {base + "[radiation]\nnum = 1\nrad_1 = 1,2,nan,3\n", "ERROR: Radiation zone rad_1 is defined incorrectly\n"},
        {base + "[crystals]\nnum = 1\ncry_1 = 1,2\n", "ERROR: Crystal cry_1 is defined incorrectly\n"},
        // Finite in the file, but not once scaled to world units.
        {base + "[misc]\ntex_coords_multiplier = 1e36\n[liquids]\nnum = 1\nliquid_1 = 10,10,5,5,0\n",
         "ERROR: Liquid liquid_1 is defined incorrectly\n"},
        {base + "[radiation]\nnum = 1\nrad_1 = 3.4e38,10,5,5\n",
         "ERROR: Radiation zone rad_1 is defined incorrectly\n"},
        {base + "[crystals]\nnum = 1\ncry_1 = 1e36,5,-9999\n", "ERROR: Crystal cry_1 is defined incorrectly\n"},
        {base + "[global]\nnum_crawlers = 1\n[crawler_1]\nnum_waypoints = 1\nwp_1 = 3e38,0\n",
         "ERROR: Crawler 1, waypoint 1 is defined incorrectly\n"},
        {base + "[global]\nnum_crawlers = 1\n", "ERROR: section \"crawler_1\": num_waypoints invalid\n"},
        {base + "[global]\nnum_crawlers = 1\n[crawler_1]\nnum_waypoints = 2\nwp_2 = 5\n",
         "ERROR: Crawler 1, waypoint 2 is defined incorrectly\n"},
        {base + "[global]\nnum_crawlers = 2000000000\n", "is above the limit of 100000\n"},
        {"[terrain]\nhf = a.png\ntm = b.png\nmax_height = 5\n", "terrain extent hf_scale x hf_pixelwidth = 1 x 0"},
        {"[terrain]\nhf = a.png\ntm = b.png\nhf_pixelwidth = 8\nmin_height = 10\nmax_height = 10\n",
         "terrain max_height must be above min_height\n"},
        {"[terrain]\nhf_pixelwidth = 8\n", "[terrain] needs both hf and tm\n"},
        // The level starts, but not as its author may think: a warning names the entry.
        {base + "[misc]\ntex_coords_multiplier = -1\n",
         "WARNING: [misc] tex_coords_multiplier -1 is not above 0; using 1 instead\n", 0},
        {crawler + "num_waypoints = 1\nwp_1 = 500,500\n[misc]\ntex_coords_multiplier = 1e30\n",
         "WARNING: [crawler_1] wp_1 at (1e+33, 1e+33) lies off the map, whose extent is 256 x 256\n", 0},
        // Repeats are left out of the route, yet the warning names the key as written.
        {crawler + "num_waypoints = 4\nwp_1 = 64,64\nwp_2 = 64,64\nwp_3 = 5064,64\nwp_4 = 0,128\n",
         "WARNING: [crawler_1] wp_3 at (10000, 0) lies off the map, whose extent is 256 x 256\n", 0},
        {base + "[global]\nnum_crawlers = 2\n[crawler_1]\nnum_waypoints = 4\nwp_1 = 0,0\nwp_2 = 128,0\n"
                "wp_3 = 128,128\nwp_4 = 0,128\n[crawler_2]\nnum_waypoints = 1\nwp_1 = -5000,-5000\n",
         "WARNING: [crawler_2] wp_1 at (-10128, -10128) lies off the map, whose extent is 256 x 256\n", 0},
        {base + "[liquids]\nnum = 3\nliquid_1 = 0,0,128,128,5\nliquid_3 = 100,100,40,10,5\n",
         "WARNING: [liquids] liquid_3 from (72, 72) to (152, 92) reaches off the map, whose extent is 256 x 256\n",
         0},
        // The whole map's square, turned, has its corners beyond the map's edges.
        {base + "[liquids]\nnum = 1\nliquid_1 = 0,0,128,128,5,45\n",
         "WARNING: [liquids] liquid_1 from (-128, -128) to (128, 128) reaches off the map, whose extent is 256 x "
         "256\n",
         0},
        {base + "[radiation]\nnum = 2\nrad_1 = -3,64,10,5\nrad_2 = 128,128,200,100\n",
         "WARNING: [radiation] rad_1 centred at (-134, 0) lies off the map, whose extent is 256 x 256\n", 0},
        {base + "[crystals]\nnum = 3\ncry_1 = w-128,i128,-9999\ncry_3 = w200,i10,-9999\n",
         "WARNING: [crystals] cry_3 at (200, -108) lies off the map, whose extent is 256 x 256\n", 0},
    };
    // A 9 KB file asking for 200 x 100000 waypoints ends at once.
    std::string huge = base + "[global]\nnum_crawlers = 200\n";
    for (int i = 1; i <= 200; ++i)
        huge += "[crawler_" + std::to_string(i) + "]\nnum_waypoints = 100000\n";
    writeLevel(9, huge);
    const ChildResult tooMuch = loadInChild(9);
    EXPECT_EQ(tooMuch.exitCode, 255);
    EXPECT_NE(tooMuch.output.find("ERROR: Level 9: [crawler_2] num_waypoints takes the level past 200000 list entries "
                                  "in all\n"),
              std::string::npos)
        << tooMuch.output.substr(0, 300);

    int level = 10;
    for (const auto& c : cases) {
        writeLevel(level, c.file);
        const ChildResult result = loadInChild(level);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.file;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
        // Entries on the map's very edge are on it.
        EXPECT_EQ(occurrences(result.output, " off the map, "), occurrences(c.message, " off the map, "))
            << result.output;
        ++level;
    }

    const ChildResult missing = loadInChild(8);
    EXPECT_EQ(missing.exitCode, 255);
    EXPECT_NE(missing.output.find("ERROR: No terrain info for level 8\n"), std::string::npos);
}
