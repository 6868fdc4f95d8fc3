#include "level/LevelConfig.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <limits>
#include <memory>
#include <sstream>

TerrainDef gDefaultTerrainInfo = [] {
    TerrainDef t;
    t.hf = "mini-HF.png";
    t.tm = "mini-TM.png";
    t.nm = "mini-NM.png";
    t.extent = 4.0f;
    t.min_height = 0.0f;
    t.max_height = 5.0f;
    t.sun_azim = 0.0f;
    t.sun_elev = 60.0f;
    t.sun_color_diff = t.sun_color_amb = t.sun_color_spec = glm::vec3(1.0f);
    return t;
}();

namespace {

constexpr float degToRad = 0.01745329f;
constexpr float startUnset = -10000.0f;
// Crawlers drive in steps of 1/60 s.
constexpr float crawlerStepsPerSecond = 60.0f;

// Getters over the level file that never hand out a non-finite real.
class LevelReader {
public:
    explicit LevelReader(const INIReader& reader) : m_reader(reader) {}

    std::string text(const std::string& section, const std::string& key, const std::string& def) const
    {
        return m_reader.Get(section, key, def);
    }

    int whole(const std::string& section, const std::string& key, int def) const
    {
        return iniGetInt(m_reader, section, key, def);
    }

    bool boolean(const std::string& section, const std::string& key, bool def) const
    {
        return m_reader.GetBoolean(section, key, def);
    }

    float real(const std::string& section, const std::string& key, float def) const
    {
        const float value = iniGetFloat(m_reader, section, key, def);
        if (!std::isfinite(value)) {
            std::cout << "WARNING: [" << section << "] " << key << " is not a finite number; using "
                      << def << " instead" << std::endl;
            return def;
        }
        return value;
    }

    // A factor that must be a finite number above 0.
    float positive(const std::string& section, const std::string& key, float def) const
    {
        const float value = real(section, key, def);
        if (value > 0.0f)
            return value;
        std::cout << "WARNING: [" << section << "] " << key << " " << value << " is not above 0; using " << def
                  << " instead" << std::endl;
        return def;
    }

    // The upper edge of a band given by two keys. One below the lower edge would turn the
    // band upside down (its full strength below it); it moves to the lower edge plus the
    // width the band has by default.
    float upperEdge(const std::string& section, const std::string& key, float def, const std::string& lowKey,
                    float low, float defaultWidth) const
    {
        const float value = real(section, key, def);
        if (!(value < low))
            return value;
        const float moved = low + std::fabs(defaultWidth);
        std::cout << "WARNING: [" << section << "] " << key << " " << value << " is below " << lowKey << " " << low
                  << "; using " << moved << " instead" << std::endl;
        return moved;
    }

    glm::vec3 color(const std::string& section, const std::string& key, long def) const
    {
        return colorFromHex(m_reader.GetInteger(section, key, def));
    }

    // A list length: negative counts read nothing, counts above the limit are fatal.
    int count(const std::string& section, const std::string& key) const
    {
        const int n = whole(section, key, 0);
        if (n > maxLevelListCount) {
            fatalError("[" + section + "] " + key + " = " + std::to_string(n) + " is above the limit of " +
                       std::to_string(maxLevelListCount));
        }
        return n;
    }

private:
    const INIReader& m_reader;
};

// The running sum of the list lengths a level file asks for, fatal past the cap.
class LevelWork {
public:
    explicit LevelWork(const std::string& level) : m_level(level) {}

    void add(int count, const std::string& what)
    {
        if (count <= 0)
            return;
        m_total += count;
        if (m_total > maxLevelTotalCount) {
            fatalError("Level " + m_level + ": " + what + " takes the level past " +
                       std::to_string(maxLevelTotalCount) + " list entries in all");
        }
    }

private:
    std::string m_level;
    long long m_total = 0;
};

long packColor(const glm::vec3& c)
{
    const long r = static_cast<long>(c.r * 255.0f);
    const long g = static_cast<long>(c.g * 255.0f);
    const long b = static_cast<long>(c.b * 255.0f);
    return (r << 16) | (g << 8) | b;
}

template <typename T>
void deleteAll(std::vector<T*>& records)
{
    while (!records.empty()) {
        delete records.back();
        records.pop_back();
    }
}

bool allFinite(const float* values, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}

// One coordinate of a crystal entry: "wN" world units, "iN" or a plain number pixels.
float crystalCoordinate(const std::string& field, uint8_t* inPixels)
{
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t'))
        ++i;
    *inPixels = 1;
    if (i < field.size() && (field[i] == 'w' || field[i] == 'W')) {
        *inPixels = 0;
        ++i;
    } else if (i < field.size() && (field[i] == 'i' || field[i] == 'I')) {
        ++i;
    }
    return std::strtof(field.c_str() + i, nullptr);
}

// Reads "x,z,height[,scale,rx,ry,rz]" the way a scanf of two comma-free texts and five
// reals would: stops at the first field that does not convert. Returns the number of
// fields read.
int scanCrystal(const std::string& entry, std::string* x, std::string* z, float reals[5])
{
    size_t pos = 0;
    std::string* texts[2] = {x, z};
    int read = 0;
    for (std::string* t : texts) {
        const size_t comma = entry.find(',', pos);
        const size_t end = comma == std::string::npos ? entry.size() : comma;
        if (end == pos)
            return read;
        *t = entry.substr(pos, end - pos);
        ++read;
        if (comma == std::string::npos)
            return read;
        pos = comma + 1;
    }
    const char* p = entry.c_str() + pos;
    for (int i = 0; i < 5; ++i) {
        char* end = nullptr;
        const float value = std::strtof(p, &end);
        if (end == p)
            return read;
        reals[i] = value;
        ++read;
        if (*end != ',')
            return read;
        p = end + 1;
    }
    return read;
}

// True when every pixel coordinate (tex_coords_multiplier already applied) becomes a
// finite world coordinate on a terrain `extent` wide, whatever the heightmap's size, with
// room left for the difference of two of them. False for NaN.
bool fitWorld(float extent, std::initializer_list<float> pixels)
{
    // |pixel / (n - 1)| <= |pixel| for every heightmap of n >= 2 samples a side.
    return std::all_of(pixels.begin(), pixels.end(), [extent](float pixel) {
        return withinWorldRange((std::fabs(static_cast<double>(pixel)) + 0.5) * static_cast<double>(extent));
    });
}

// A crawler speed that covers more than the whole terrain in one step.
bool offTheMapInOneStep(float speed, float extent)
{
    return std::fabs(speed) > extent * crawlerStepsPerSecond;
}

} // namespace

void CrawlerDef::clear()
{
    std::memset(static_cast<void*>(this), 0, sizeof *this);
}

glm::vec3 colorFromHex(long rgb)
{
    return glm::vec3(static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(rgb & 0xFF) / 255.0f);
}

float pixelToWorld(float pixel, int pixels, float extent)
{
    return (pixel / static_cast<float>(pixels - 1) - 0.5f) * extent;
}

bool withinWorldRange(double reach)
{
    return reach <= static_cast<double>(std::numeric_limits<float>::max()) / 2.0;
}

LevelConfig::~LevelConfig()
{
    clear();
}

void LevelConfig::clear()
{
    deleteAll(crawlers);
    deleteAll(liquids);
    deleteAll(radiation_zones);
    deleteAll(crystals);
}

void LevelConfig::placeOnMap(int width, int height, float extentX, float extentZ)
{
    for (RadiationZone* zone : radiation_zones) {
        zone->world_x = pixelToWorld(zone->x, width, extentX);
        zone->world_z = pixelToWorld(zone->z, height, extentZ);
        zone->world_r1 = pixelToWorld(zone->x + zone->r1, width, extentX) - zone->world_x;
        zone->world_r2 = pixelToWorld(zone->z + zone->r2, height, extentZ) - zone->world_z;
        // Rounding may leave two equal radii the wrong way round: the band inside out.
        if (zone->world_r2 > zone->world_r1)
            std::swap(zone->world_r1, zone->world_r2);
    }

    const auto toWorld = [&](float x, float z) {
        return glm::vec2(pixelToWorld(x, width, extentX), pixelToWorld(z, height, extentZ));
    };
    const auto point = [](const glm::vec2& p) {
        std::ostringstream text;
        text << "(" << p.x << ", " << p.y << ")";
        return text.str();
    };
    // The map's edges are on it.
    const auto onTheMap = [&](const glm::vec2& p) {
        return std::fabs(p.x) <= extentX * 0.5f && std::fabs(p.y) <= extentZ * 0.5f;
    };
    const auto warn = [&](const std::string& what) {
        std::cout << "WARNING: " << what << " off the map, whose extent is " << extentX << " x " << extentZ
                  << std::endl;
    };

    for (size_t i = 0; i < crawlers.size(); ++i) {
        const CrawlerDef& c = *crawlers[i];
        for (int j = 0; j < c.num_waypoints; ++j) {
            const glm::vec2 p = toWorld(c.waypoints[j].x, c.waypoints[j].y);
            if (!onTheMap(p)) {
                const int key = c.waypoint_keys ? c.waypoint_keys[j] : j + 1;
                warn("[crawler_" + std::to_string(i + 1) + "] wp_" + std::to_string(key) + " at " + point(p) +
                     " lies");
            }
        }
    }
    for (const LiquidDef* l : liquids) {
        const glm::vec2 low = toWorld(l->x, l->z);
        const glm::vec2 high = toWorld(l->x + l->width, l->z + l->depth);
        // The surface is turned about its middle: its corners reach this far from it.
        const double w = static_cast<double>(high.x) - low.x, d = static_cast<double>(high.y) - low.y;
        const double cosA = std::fabs(std::cos(static_cast<double>(l->rotation)));
        const double sinA = std::fabs(std::sin(static_cast<double>(l->rotation)));
        const double middleX = (static_cast<double>(low.x) + high.x) / 2.0;
        const double middleZ = (static_cast<double>(low.y) + high.y) / 2.0;
        if (std::fabs(middleX) + (w * cosA + d * sinA) / 2.0 > extentX * 0.5 ||
            std::fabs(middleZ) + (w * sinA + d * cosA) / 2.0 > extentZ * 0.5)
            warn("[liquids] liquid_" + std::to_string(l->number) + " from " + point(low) + " to " + point(high) +
                 " reaches");
    }
    for (const RadiationZone* z : radiation_zones) {
        const glm::vec2 p(z->world_x, z->world_z);
        if (!onTheMap(p))
            warn("[radiation] rad_" + std::to_string(z->number) + " centred at " + point(p) + " lies");
    }
    for (const CrystalDef* c : crystals) {
        const glm::vec2 p(c->x_in_pixels ? pixelToWorld(c->position.x, width, extentX) : c->position.x,
                          c->z_in_pixels ? pixelToWorld(c->position.z, height, extentZ) : c->position.z);
        if (!onTheMap(p))
            warn("[crystals] cry_" + std::to_string(c->number) + " at " + point(p) + " lies");
    }
}

void LevelConfig::load(int levelNumber)
{
    clear();

    start_position = glm::vec3(startUnset);
    crystal_color_amb = glm::vec3(0.1f, 0.1f, 0.2f);
    crystal_color_diff = glm::vec3(0.6f, 0.6f, 1.0f);
    crystal_color_spec = glm::vec3(0.8f, 0.8f, 0.8f);
    crystal_shininess = 8.0f;
    crystal_alpha = 0.65f;
    level = levelNumber;
    fuel = -1;
    target_helium = 0;
    terrain = nullptr;
    gravity = -1.0f;
    bool rotate = true;
    glm::quat sun(0.824453f, -0.457001f, 0.291954f, -0.161832f); // (w, x, y, z)

    const std::string number = std::to_string(levelNumber);
    const std::string path = gAssetsDir + "/levels/level_" + number + ".ini";
    const std::unique_ptr<INIReader> ini = openIniReader(path);
    const LevelReader in(*ini);
    LevelWork work(number);

    // Level 55 runs on the built-in terrain when it has no file; everything else the
    // file would say takes the value an empty file gives.
    const bool builtIn = ini->ParseError() < 0;
    if (builtIn) {
        if (levelNumber != 55)
            fatalError("No terrain info for level " + number);
        terrain = &gDefaultTerrainInfo;
        gravity = 9.81f;
        start_position = glm::vec3(0.0f, 10.0f, 0.0f);
        horizon_color = colorFromHex(0x00FF00);
    } else {
        TerrainDef& t = terrain_def;
        t.tm = in.text("terrain", "tm", "");
        t.hf = in.text("terrain", "hf", "");
        t.nm = in.text("terrain", "nm", "");
        t.lm = in.text("terrain", "lm", "");
        t.sm = in.text("terrain", "sm", "");
        const int hfScale = in.whole("terrain", "hf_scale", 1);
        const int hfPixelWidth = in.whole("terrain", "hf_pixelwidth", 0);
        t.extent = static_cast<float>(hfScale) * static_cast<float>(hfPixelWidth);
        t.min_height = in.real("terrain", "min_height", 0.0f);
        t.max_height = in.real("terrain", "max_height", 1.0f);
        t.sun_azim = in.real("terrain", "sun_azim", 0.0f);
        t.sun_elev = in.real("terrain", "sun_elev", 0.0f);
        t.sun_color_diff = in.color("terrain", "sun_color_diff", 0xFFFFFF);
        t.sun_color_amb = in.color("terrain", "sun_color_amb", 0xFFFFFF);
        t.sun_color_spec = in.color("terrain", "sun_color_spec", 0xFFFFFF);
        horizon_color = in.color("terrain", "horizon_color", 0x00FF00);
        terrain = &terrain_def;

        // Every later conversion divides by the extent and the height range.
        if (t.hf.empty() || t.tm.empty())
            fatalError("Level " + number + ": [terrain] needs both hf and tm");
        if (!(t.extent > 0.0f)) {
            fatalError("Level " + number + ": terrain extent hf_scale x hf_pixelwidth = " +
                       std::to_string(hfScale) + " x " + std::to_string(hfPixelWidth) + " is not positive");
        }
        if (!(t.max_height > t.min_height))
            fatalError("Level " + number + ": terrain max_height must be above min_height");
    }
    const float r = terrain->max_height - terrain->min_height;

    // [skybox]
    skybox_name = in.text("skybox", "name", "skybox/sb2/");
    skybox_ext = in.text("skybox", "ext", ".png");
    skybox_full = in.text("skybox", "full", "");
    if (!skybox_full.empty()) {
        skybox_name.clear();
        skybox_ext.clear();
    }
    sun.x = in.real("skybox", "sun_x", sun.x);
    sun.y = in.real("skybox", "sun_y", sun.y);
    sun.z = in.real("skybox", "sun_z", sun.z);
    sun.w = in.real("skybox", "sun_w", sun.w);
    rotate = in.boolean("skybox", "rotate", true);
    kestrun_mode = in.whole("skybox", "kestrun_mode", 0);
    kestrun_azim = in.real("skybox", "kestrun_azim", 0.0f);
    kestrun_elev = in.real("skybox", "kestrun_elev", 10.0f);
    kestrun_tilt = in.real("skybox", "kestrun_tilt", 0.0f);
    kestrun_size = in.real("skybox", "kestrun_size", 1.0f);
    kestrun_rps = in.real("skybox", "kestrun_rps", 0.0f);
    kestrun_lightboost = in.real("skybox", "kestrun_lightboost", 1.5f);

    // [global], [misc]
    gravity = in.real("global", "gravity", gravity);
    name = in.text("misc", "name", "Level " + number);
    music = in.text("misc", "music", "ganymed.mp3");
    // A multiplier of 0 or less would fold every pixel coordinate onto or across the origin.
    const float m = in.positive("misc", "tex_coords_multiplier", 1.0f);

    // [player]
    start_position.x = in.real("player", "start_x", start_position.x);
    start_position.y = in.real("player", "start_y", start_position.y);
    start_position.z = in.real("player", "start_z", start_position.z);
    start_momentum.x = in.real("player", "mom_x", 0.0f);
    start_momentum.y = in.real("player", "mom_y", 0.0f);
    start_momentum.z = in.real("player", "mom_z", 0.0f);
    start_orientation.w = in.real("player", "ori_w", 1.0f);
    start_orientation.x = in.real("player", "ori_x", 0.0f);
    start_orientation.y = in.real("player", "ori_y", 0.0f);
    start_orientation.z = in.real("player", "ori_z", 0.0f);
    fuel = in.whole("player", "fuel", -1);
    target_helium = in.whole("player", "target_helium", 0);
    target_height = in.real("player", "target_height", terrain->min_height + 5.0f * r);

    // Crawlers
    const int numCrawlers = in.count("global", "num_crawlers");
    work.add(numCrawlers, "[global] num_crawlers");
    crawler_disable_time = in.real("global", "crawler_disable_time", 60.0f);
    long long heliumSum = 0;
    for (int i = 1; i <= numCrawlers; ++i) {
        const std::string n = std::to_string(i);
        const std::string section = "crawler_" + n;
        CrawlerDef* c = new CrawlerDef();
        crawlers.push_back(c);
        c->facing = in.real(section, "facing", 0.0f);
        c->speed = in.real(section, "speed", 0.0f);
        c->speed_upon_landing = in.real(section, "speed_upon_landing", -1.0f);
        if (offTheMapInOneStep(c->speed, terrain->extent)) {
            std::cout << "WARNING: Crawler " << n << " drives at " << c->speed
                      << ", off the map in one step; it stands still instead" << std::endl;
            c->speed = 0.0f;
        }
        // A negative speed upon landing keeps the crawler's speed: only a speed is checked.
        if (c->speed_upon_landing >= 0.0f && offTheMapInOneStep(c->speed_upon_landing, terrain->extent)) {
            std::cout << "WARNING: Crawler " << n << " drives at " << c->speed_upon_landing
                      << " upon landing, off the map in one step; it stops instead" << std::endl;
            c->speed_upon_landing = 0.0f;
        }
        c->helium = in.whole(section, "helium", 600);
        c->fuel = in.whole(section, "fuel", -1);
        c->cycle_waypoints = in.boolean(section, "cycle_waypoints", true);
        c->num_waypoints = in.whole(section, "num_waypoints", 0);
        if (c->num_waypoints < 1 || c->num_waypoints > maxLevelListCount)
            fatalError("section \"" + section + "\": num_waypoints invalid");
        work.add(c->num_waypoints, "[" + section + "] num_waypoints");
        if (c->helium < 0) {
            std::cout << "WARNING: Crawler " << n << " carries negative helium (" << c->helium
                      << "); it carries none instead" << std::endl;
            c->helium = 0;
        }
        c->waypoints = new glm::vec2[c->num_waypoints];
        c->waypoint_keys = new int32_t[c->num_waypoints];
        int kept = 0, repeats = 0;
        for (int j = 1; j <= c->num_waypoints; ++j) {
            const std::string key = "wp_" + std::to_string(j);
            const std::string text = in.text(section, key, "");
            glm::vec2 wp(0.0f);
            if (!text.empty()) {
                if (std::sscanf(text.c_str(), "%f,%f", &wp.x, &wp.y) != 2 || !std::isfinite(wp.x) ||
                    !std::isfinite(wp.y))
                    fatalError("Crawler " + n + ", waypoint " + std::to_string(j) + " is defined incorrectly");
            } else {
                wp.x = static_cast<float>(in.whole(section, key + "_x", 0));
                wp.y = static_cast<float>(in.whole(section, key + "_y", 0));
            }
            wp *= m;
            if (!fitWorld(terrain->extent, {wp.x, wp.y}))
                fatalError("Crawler " + n + ", waypoint " + std::to_string(j) + " is defined incorrectly");
            // A crawler cannot head for the point it stands on: repeats are dropped.
            if (kept > 0 && c->waypoints[kept - 1] == wp) {
                ++repeats;
                continue;
            }
            c->waypoint_keys[kept] = j;
            c->waypoints[kept++] = wp;
        }
        if (repeats > 0) {
            std::cout << "WARNING: Crawler " << n << " has " << repeats
                      << " waypoint(s) repeating the one before; they are left out" << std::endl;
        }
        c->num_waypoints = kept;
        heliumSum += c->helium;
    }

    // [liquids]
    const int numLiquids = in.count("liquids", "num");
    work.add(numLiquids, "[liquids] num");
    const std::string type = in.text("liquids", "type", "lava");
    uint8_t lava = 0;
    if (type == "lava")
        lava = 1;
    else if (type != "water")
        fatalError("Unknown liquid type \"" + type + "\"");
    for (int i = 1; i <= numLiquids; ++i) {
        const std::string key = "liquid_" + std::to_string(i);
        const std::string text = in.text("liquids", key, "");
        if (text.empty())
            continue;
        LiquidDef* l = new LiquidDef();
        liquids.push_back(l);
        l->lava = lava;
        l->rotation = 0.0f;
        l->number = i;
        float v[6] = {0, 0, 0, 0, 0, 0};
        const int got = std::sscanf(text.c_str(), "%f,%f,%f,%f,%f,%f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
        // A liquid without area has no surface to stand for.
        if (got < 5 || !allFinite(v, 6) || !(v[2] > 0.0f) || !(v[3] > 0.0f))
            fatalError("Liquid " + key + " is defined incorrectly");
        l->x = v[0] * m;
        l->z = v[1] * m;
        l->width = v[2] * m;
        l->depth = v[3] * m;
        l->height = v[4];
        if (!fitWorld(terrain->extent, {l->x, l->z, l->x + l->width, l->z + l->depth}))
            fatalError("Liquid " + key + " is defined incorrectly");
        l->rotation = v[5] * 3.14159265358979f / 180.0f;
    }

    // [radiation]
    rad_min_height = in.real("radiation", "min_height", terrain->min_height + 0.5f * r);
    rad_max_height =
        in.upperEdge("radiation", "max_height", terrain->min_height + 1.2f * r, "min_height", rad_min_height, 0.7f * r);
    space_min_height = in.real("radiation", "space_min_height", 2.0f * rad_max_height);
    space_max_height = in.upperEdge("radiation", "space_max_height", 3.0f * rad_max_height, "space_min_height",
                                    space_min_height, rad_max_height);
    min_border = in.real("radiation", "min_border", -0.2f * terrain->extent);
    max_border = in.upperEdge("radiation", "max_border", 0.0f, "min_border", min_border, 0.2f * terrain->extent);
    const int numZones = in.count("radiation", "num");
    work.add(numZones, "[radiation] num");
    for (int i = 1; i <= numZones; ++i) {
        const std::string key = "rad_" + std::to_string(i);
        const std::string text = in.text("radiation", key, "");
        if (text.empty())
            continue;
        RadiationZone* z = new RadiationZone();
        radiation_zones.push_back(z);
        z->number = i;
        float v[4] = {0, 0, 0, 0};
        if (std::sscanf(text.c_str(), "%f,%f,%f,%f", &v[0], &v[1], &v[2], &v[3]) != 4 || !allFinite(v, 4))
            fatalError("Radiation zone " + key + " is defined incorrectly");
        z->x = v[0] * m;
        z->z = v[1] * m;
        z->r1 = v[2] * m;
        z->r2 = v[3] * m;
        // The larger radius is the band's outer edge once scaled; the other way round the
        // band would be inside out, radiating everywhere but within it.
        if (z->r2 > z->r1)
            std::swap(z->r1, z->r2);
        if (!fitWorld(terrain->extent, {z->x, z->z, z->x + z->r1, z->z + z->r2}))
            fatalError("Radiation zone " + key + " is defined incorrectly");
    }

    // [crystals]
    const int numCrystals = in.count("crystals", "num");
    work.add(numCrystals, "[crystals] num");
    for (int i = 1; i <= numCrystals; ++i) {
        const std::string n = std::to_string(i);
        const std::string text = in.text("crystals", "cry_" + n, "");
        if (text.empty())
            continue;
        CrystalDef* c = new CrystalDef();
        crystals.push_back(c);
        c->number = i;
        c->scale = 1.0f;
        c->rotation = glm::vec3(0.0f);
        std::string xText, zText;
        float v[5] = {0.0f, 1.0f, 0.0f, 0.0f, 0.0f};
        const int got = scanCrystal(text, &xText, &zText, v);
        const float x = got >= 1 ? crystalCoordinate(xText, &c->x_in_pixels) : 0.0f;
        const float z = got >= 2 ? crystalCoordinate(zText, &c->z_in_pixels) : 0.0f;
        if (got < 3 || !std::isfinite(x) || !std::isfinite(z) || !allFinite(v, 5))
            fatalError("Crystal cry_" + n + " is defined incorrectly");
        c->position = glm::vec3(c->x_in_pixels ? x * m : x, v[0], c->z_in_pixels ? z * m : z);
        if (!fitWorld(terrain->extent, {c->x_in_pixels ? c->position.x : 0.0f, c->z_in_pixels ? c->position.z : 0.0f}))
            fatalError("Crystal cry_" + n + " is defined incorrectly");
        c->scale = v[1];
        if (!(c->scale > 0.0f)) {
            std::cout << "WARNING: Crystal cry_" << n << " has scale " << c->scale << "; using 1.0" << std::endl;
            c->scale = 1.0f;
        }
        c->rotation = glm::vec3(v[2], v[3], v[4]) * degToRad;
    }
    crystal_color_amb = in.color("crystals", "color_amb", packColor(crystal_color_amb));
    crystal_color_diff = in.color("crystals", "color_diff", packColor(crystal_color_diff));
    crystal_color_spec = in.color("crystals", "color_spec", packColor(crystal_color_spec));
    crystal_shininess = in.real("crystals", "shininess", crystal_shininess);
    crystal_alpha = in.real("crystals", "alpha", crystal_alpha);

    // The helium goal
    if (!builtIn) {
        if (target_helium == 0)
            target_helium = static_cast<int32_t>(std::min<long long>(heliumSum, INT32_MAX));
        if (target_helium == 0) {
            std::cout << "WARNING: Level is impossible to win: target helium = 0" << std::endl;
            target_helium = 1;
        }
        if (static_cast<uint32_t>(target_helium) > 3600u) {
            std::cout << "WARNING: Level is impossible to win: target helium (" << target_helium
                      << ") exceeds max helium (" << 3600 << ")" << std::endl;
        }
    }

    // Finishing
    if (start_position == glm::vec3(startUnset))
        start_position = glm::vec3(0.0f, terrain->max_height + 50.0f, 0.0f);
    if (gravity < 0.0f)
        gravity = 9.81f;
    if (rotate) {
        const glm::quat qy = glm::angleAxis(-terrain->sun_azim * degToRad, glm::vec3(0.0f, 1.0f, 0.0f));
        const glm::quat qx = glm::angleAxis(terrain->sun_elev * degToRad, glm::vec3(1.0f, 0.0f, 0.0f));
        const glm::quat q = qy * qx * sun;
        const float len = glm::length(q);
        sun_rotation = len > 0.0f ? q / len : glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    } else {
        std::cout << "WARN:SkyboxUnrotated " << std::flush;
    }
    camera_phi = 0.0f;
    camera_theta = 0.5235988f;
    camera_r = 12.0f;
}
