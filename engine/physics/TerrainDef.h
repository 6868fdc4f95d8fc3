// What a level file says about its terrain: the map files, the terrain's size and
// height range, and the sun over it.
#pragma once

#include <glm/glm.hpp>

#include <string>

struct TerrainDef {
    std::string hf; // heightmap (textures folder), 16-bit, square
    std::string tm; // colour map
    std::string nm; // normal map
    std::string lm; // light map, empty = none
    std::string sm; // specular map, empty = none
    float extent = 0.0f;     // width and depth of the square terrain, world units
    float min_height = 0.0f; // world height of heightmap value 0
    float max_height = 0.0f; // world height of the heightmap's largest value
    float sun_azim = 0.0f;   // degrees
    float sun_elev = 0.0f;   // degrees
    glm::vec3 sun_color_diff = glm::vec3(0.0f);
    glm::vec3 sun_color_amb = glm::vec3(0.0f);
    glm::vec3 sun_color_spec = glm::vec3(0.0f);
};
