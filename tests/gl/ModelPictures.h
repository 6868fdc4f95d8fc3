// Loads the game's models the way the game does and renders them off-screen under the
// orbit camera and the sun, for the model tests.
#pragma once

#include "scene/Camera.h"
#include "GameGl.h"
#include "scene/Light.h"
#include "scene/Model.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cstdint>
#include <string>
#include <vector>

// The import settings the game uses for each of its model files.
inline glm::mat4 landerImportTransform()
{
    glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.35f * 1.39f, 0.0f));
    m = glm::rotate(m, 2.3561945f, glm::vec3(0.0f, 1.0f, 0.0f));
    return glm::scale(m, glm::vec3(0.35f));
}

inline ModelImportOptions landerImportOptions()
{
    ModelImportOptions options;
    options.normalMapFromBump = true;
    options.bumpScale = 0.25f;
    options.triangulate = true;
    options.calcTangentSpace = false;
    options.createTangents = true;
    return options;
}

inline Model* loadLander()
{
    const ModelImportOptions options = landerImportOptions();
    return new Model("Lander/lander_split.obj", landerImportTransform(), Shader::get("phong"), true, &options);
}

inline glm::mat4 crawlerImportTransform()
{
    return glm::translate(glm::scale(glm::mat4(1.0f), glm::vec3(0.1f)), glm::vec3(9.0f, -22.9384f, -35.0f));
}

inline Model* loadCrawler(const std::string& file)
{
    Model* model = new Model(file, crawlerImportTransform(), Shader::get("phong"), true, nullptr);
    model->setShaders(Shader::get("phong"), Shader::get("phong_notex"));
    return model;
}

inline Model* loadCrystal(const std::string& file)
{
    const glm::mat4 transform = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 1.237554f, 0.0f));
    return new Model(file, transform, Shader::get("phong_notex_alpha"), true, nullptr);
}

inline Model* loadBomb()
{
    Model* model = new Model("PlasmaGrenade/plasma_grenade.obj", glm::scale(glm::mat4(1.0f), glm::vec3(0.5f)),
                             Shader::get("phong_notex"), true, nullptr);
    model->m_single_shader = false;
    model->m_meshes[0]->m_color_mode = COLOR_MODE_FLAT;
    model->m_meshes[0]->m_shader = Shader::get("color");
    return model;
}

// Share of covered pixels and the brightness of what is covered (0..255).
struct PictureStats {
    double coverage = 0.0;
    double meanLuma = 0.0;
    double lumaSpread = 0.0; // standard deviation over the covered pixels
};

PictureStats pictureStats(const std::vector<uint8_t>& rgba, int width, int height);

// Writes views (each width x height RGBA, row 0 at the bottom) side by side into one PNG,
// over a neutral backdrop so that dark parts stay visible.
bool savePicturesPng(const std::string& path, const std::vector<std::vector<uint8_t>>& views, int width, int height);

// Folder next to the test binary where the model pictures go.
std::string modelPictureDir();
