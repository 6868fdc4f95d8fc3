// The small top-down map the HUD shows, drawn into a texture of its own. Its
// background (the terrain's colour image, a dark fade towards the edge of the
// playable area, red discs over the radiation zones) is built once per level; the
// crawler and lander markers go over it each time the map is refreshed.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

class Crawler;
class Heightfield;
class Quad2D;
class Texture;
struct LevelConfig;

class Minimap {
public:
    // A 180 x 180 map over a 174 x 174 area 3 pixels in from the edge, with its own
    // framebuffer and quad; frame is the HUD atlas (null: no frame is drawn over the
    // markers, the background carries "hud/minimap.png" instead).
    explicit Minimap(Texture* frame);
    // Deletes the framebuffer, both textures and the quad.
    ~Minimap();
    Minimap(const Minimap&) = delete;
    Minimap& operator=(const Minimap&) = delete;

    // The minimap of a level: background and the render texture the HUD shows.
    static Minimap* create(Heightfield* terrain, LevelConfig* level, Texture* frame);

    // The static map image of the level.
    Texture* buildBackground(Heightfield* terrain, LevelConfig* level, Texture* frame);
    // Redraws `texture`: background, crawler markers (pale, blue once empty), the
    // lander on top, and the frame.
    void render(glm::vec3 landerPos, const std::vector<Crawler*>& crawlers, float worldWidth, float worldDepth);

    // Texture pixel of the world point (x, z) on a worldWidth x worldDepth terrain;
    // north (-z) is up.
    glm::vec2 mapPoint(float x, float z, float worldWidth, float worldDepth) const;
    // The edge fade as RGBA bytes over the whole texture, rows from the bottom: clear
    // inside minBorder of the centre, dark beyond maxBorder (world units from the
    // terrain's half size, as the level file gives them).
    std::vector<uint8_t> fadeImage(float worldWidth, float worldDepth, float minBorder, float maxBorder) const;

    GLuint framebuffer = 0;
    Texture* texture = nullptr;    // what the HUD draws, owned
    Texture* background = nullptr; // owned
    Texture* frame = nullptr;      // the HUD atlas, not owned
    Quad2D* quad = nullptr;        // owned, over the texture's pixels
    int size[2] = {180, 180};
    int mapSize[2] = {174, 174};
    int mapOrigin[2] = {3, 3};
};
