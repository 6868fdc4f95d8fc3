// Everything one level file defines, read once when the level loads. The rest of the
// game reads these records and never the file.
#pragma once

#include "physics/TerrainDef.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstdint>
#include <string>
#include <vector>

// The built-in terrain of level 55, which runs without a level file.
extern TerrainDef gDefaultTerrainInfo;

// Largest count of crawlers, waypoints, liquids, zones or crystals a level may ask for.
constexpr int maxLevelListCount = 100000;
// Largest sum of all those counts (every crawler's waypoints included) one level may
// ask for, so that a small file cannot make the load run through billions of entries.
constexpr int maxLevelTotalCount = 200000;

struct CrawlerDef {
    float speed;
    float speed_upon_landing;
    float facing; // degrees, as written
    int32_t num_waypoints;
    bool cycle_waypoints;
    glm::vec2* waypoints; // owned, num_waypoints entries, heightfield pixels
    int32_t* waypoint_keys; // owned, the j of each waypoint's wp_<j> key (repeats are left out)
    int32_t helium;
    int32_t fuel; // negative = unlimited

    CrawlerDef() { clear(); }
    ~CrawlerDef()
    {
        delete[] waypoints;
        delete[] waypoint_keys;
    }
    CrawlerDef(const CrawlerDef&) = delete;
    CrawlerDef& operator=(const CrawlerDef&) = delete;
    // Zero-fills the record (the waypoint arrays are not freed here).
    void clear();
};

struct LiquidDef {
    float x = 0.0f, z = 0.0f;          // corner, heightfield pixels
    float width = 0.0f, depth = 0.0f;  // heightfield pixels
    float height = 0.0f;               // world height of the surface
    float rotation = 0.0f;             // radians about the vertical
    uint8_t lava = 0;                  // 1 lava, 0 water
    int32_t number = 0;                // n of its liquid_<n> entry
};

struct RadiationZone {
    float x = 0.0f, z = 0.0f;   // centre, heightfield pixels
    float r1 = 0.0f, r2 = 0.0f; // outer and inner radius, r1 >= r2
    float world_x = 0.0f, world_z = 0.0f, world_r1 = 0.0f, world_r2 = 0.0f; // set with the terrain
    int32_t number = 0; // n of its rad_<n> entry
};

struct CrystalDef {
    glm::vec3 position = glm::vec3(0.0f); // x, height (-9999 = on the terrain), z
    glm::vec3 rotation = glm::vec3(0.0f); // radians, in file order
    float scale = 1.0f;
    uint8_t x_in_pixels = 1;
    uint8_t z_in_pixels = 1;
    int32_t number = 0; // n of its cry_<n> entry
};

// A crystal height that means "stand on the terrain".
constexpr float crystalOnTerrain = -9999.0f;

class LevelConfig {
public:
    LevelConfig() = default;
    ~LevelConfig();
    LevelConfig(const LevelConfig&) = delete;
    LevelConfig& operator=(const LevelConfig&) = delete;

    // Reads levels/level_<level>.ini under the asset root. Ends the program on a fatal error.
    void load(int level);
    // Frees the four lists, each from the back.
    void clear();
    // Places the level on a heightmap of width x height samples spanning extentX x
    // extentZ: fills the radiation zones' world values, and warns about every waypoint,
    // liquid, zone centre and crystal that lies off that map (its values stay as written).
    void placeOnMap(int width, int height, float extentX, float extentZ);

    TerrainDef* terrain = nullptr; // not owned
    glm::vec3 horizon_color = glm::vec3(0.0f);
    float gravity = 0.0f;
    std::string skybox_name;
    std::string skybox_ext;
    std::string skybox_full;
    glm::quat sun_rotation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    int32_t kestrun_mode = 0;
    float kestrun_azim = 0.0f, kestrun_elev = 0.0f, kestrun_tilt = 0.0f;
    float kestrun_size = 0.0f;
    float kestrun_rps = 0.0f;
    float kestrun_lightboost = 0.0f;
    glm::vec3 start_position = glm::vec3(0.0f);
    glm::vec3 start_momentum = glm::vec3(0.0f);
    glm::quat start_orientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    int32_t fuel = 0;
    int32_t target_helium = 0;
    float target_height = 0.0f;
    float camera_phi = 0.0f;
    float camera_theta = 0.0f;
    float camera_r = 0.0f;
    std::vector<CrawlerDef*> crawlers;
    float crawler_disable_time = 0.0f;
    std::vector<LiquidDef*> liquids;
    std::vector<RadiationZone*> radiation_zones;
    float rad_min_height = 0.0f, rad_max_height = 0.0f;
    float space_min_height = 0.0f, space_max_height = 0.0f;
    float min_border = 0.0f, max_border = 0.0f;
    glm::vec3 crystal_color_amb = glm::vec3(0.0f);
    glm::vec3 crystal_color_diff = glm::vec3(0.0f);
    glm::vec3 crystal_color_spec = glm::vec3(0.0f);
    float crystal_shininess = 0.0f;
    float crystal_alpha = 0.0f;
    std::vector<CrystalDef*> crystals;
    std::string music;
    std::string name;
    int32_t level = 0;
    TerrainDef terrain_def;
};

// Turns a 0xRRGGBB colour into components 0..1.
glm::vec3 colorFromHex(long rgb);

// Converts a heightfield pixel coordinate into world units: (p / (n - 1) - 0.5) * extent.
float pixelToWorld(float pixel, int pixels, float extent);

// True when a distance from the world's origin leaves room in a float for the difference
// of two such values. False for NaN.
bool withinWorldRange(double reach);
