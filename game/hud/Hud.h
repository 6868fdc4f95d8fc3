// The head-up display over the finished frame: the radiation bar at the top centre,
// the fuel and helium gauges, three landing lamps, the EMP gauge and the minimap
// image. Every instrument is a rectangle cut out of one atlas, "hud/hudnew_hires.png",
// which holds each of them at twice its size on the HUD design screen; positions come
// from the [hud] settings and are scaled to the window.
#pragma once

#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

class Minimap;
class Quad2D;
class Texture;

// One rectangle of the HUD in window pixels (lower left corner, y up) with the part
// of its texture; texture null means the atlas.
struct HudRect {
    float x = 0.0f, y = 0.0f, w = 0.0f, h = 0.0f;
    glm::vec2 uvOffset = glm::vec2(0.0f);
    glm::vec2 uvScale = glm::vec2(0.0f);
    Texture* texture = nullptr;
};

class Hud {
public:
    // Loads the atlas, makes a quad over the window and follows the window size.
    Hud();
    // Deletes the atlas and the quad and stops following the window size.
    ~Hud();
    Hud(const Hud&) = delete;
    Hud& operator=(const Hud&) = delete;

    void onResize();
    // The rectangles of this frame in drawing order, from the values below.
    std::vector<HudRect> layout(const Minimap* minimap) const;
    // Draws them with the depth test off and alpha blending on.
    void draw(const Minimap* minimap);

    bool lamps[3] = {false, false, false}; // the landing conditions, in their order
    float fuel = 0.0f;                      // gauge fills 0..1
    float helium = 0.0f;
    float radiation = 0.0f;
    bool lampsWorking = true;  // false shows every lamp as not working
    bool minimapShown = true;
    bool empSpeedReady = true; // fast enough to launch: the gauge's colour
    int32_t empCount = 0;      // EMPs ready
    int32_t empMax = 0;
    float empCharge = 0.0f;    // of the next EMP, 0..1
    Texture* atlas = nullptr;
    glm::vec2 uvFactor = glm::vec2(0.0f); // atlas uv of one design pixel
    Quad2D* quad = nullptr;
    glm::vec2 scale = glm::vec2(1.0f);    // window pixels per design pixel
};
