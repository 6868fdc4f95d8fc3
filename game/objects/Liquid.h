// Water and lava: flat rectangles placed on the terrain map, drawn with their own
// programs, with a box under the surface that the lander's contact test checks.
#pragma once

#include "physics/Physics.h"

#include <glm/glm.hpp>

class Heightfield;
class Model;
struct LiquidDef;

class Liquid {
public:
    Liquid(Heightfield* terrain, const LiquidDef* def);
    ~Liquid();
    Liquid(const Liquid&) = delete;
    Liquid& operator=(const Liquid&) = delete;

    // The noise, ripple and swell textures every liquid shares: built at the first
    // liquid, freed by the level cleanup.
    static void initTextures();
    static void freeTextures();

    static bool preRenderHook(void* liquid, Model* model, const glm::mat4& projView);
    bool preRender();
    static void postRender(void* liquid, Model* model, const glm::mat4& projView);
    // Scrolls the water by dt seconds; the phase stays within 0..1.
    void flow(float dt);

    Heightfield* terrain = nullptr; // not owned
    bool isLava = false;
    Model* model = nullptr; // owned
    glm::vec3 shape = glm::vec3(0.0f); // half extents of the box below the surface
    Pose pose;                         // the box's centre
    float startTime = 0.0f;            // clock time of the first lava frame; 0 = not drawn yet
    float aspectRatio = 1.0f;          // width / depth
    float movement = 0.0f;             // scroll phase of the water
};
