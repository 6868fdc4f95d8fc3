// The compass: a ring of eight direction signs standing around the lander in the
// scene, north at -z, drawn from the eight sections of "compass.png".
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

class Shader;
class Texture;

class Compass {
public:
    // Loads the signs and takes the "quad3d" program; enabled.
    Compass();
    // Deletes the texture and the vertex array.
    ~Compass();
    Compass(const Compass&) = delete;
    Compass& operator=(const Compass&) = delete;

    // Nothing while disabled.
    void draw(const glm::mat4& view, const glm::mat4& projection, glm::vec3 landerPos);

    bool enabled = true; // the O key
    Texture* texture = nullptr;
    Shader* shader = nullptr;
    GLuint vao = 0;
};
