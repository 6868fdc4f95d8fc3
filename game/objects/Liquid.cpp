// Liquids: the shared textures, the surface model and its box, and the uniforms and
// blending set around each draw.
#include "objects/Liquid.h"

#include "platform/FrameGlobals.h"
#include "platform/Random.h"
#include "level/Heightfield.h"
#include "level/LevelConfig.h"
#include "scene/Geometry.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <vector>

namespace {

const int NOISE_SIZE = 256;
const float BOX_HALF_HEIGHT = 10.0f;
const float FLOW_RATE = 0.02f; // water phases per second

struct LiquidTextures {
    GLuint noise = 0;
    Texture* normalMap = nullptr;
    Texture* displacementMap = nullptr;
};

LiquidTextures* gTextures = nullptr;

GLuint makeNoiseTexture()
{
    // The same noise on every run and every level.
    gameSrand(27);
    std::vector<unsigned char> bytes(NOISE_SIZE * NOISE_SIZE);
    for (int column = 0; column < NOISE_SIZE; ++column)
        for (int row = 0; row < NOISE_SIZE; ++row)
            bytes[static_cast<size_t>(row) * NOISE_SIZE + column] = static_cast<unsigned char>(gameRand() & 0xFF);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, NOISE_SIZE, NOISE_SIZE, 0, GL_RED, GL_UNSIGNED_BYTE, bytes.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

} // namespace

void Liquid::initTextures()
{
    if (gTextures)
        return;
    gTextures = new LiquidTextures();
    gTextures->noise = makeNoiseTexture();
    gTextures->normalMap = new Texture(false, "waterNM.png");
    gTextures->displacementMap = new Texture(false, "waterDisp.png");
}

void Liquid::freeTextures()
{
    if (!gTextures)
        return;
    glDeleteTextures(1, &gTextures->noise);
    delete gTextures->normalMap;
    delete gTextures->displacementMap;
    delete gTextures;
    gTextures = nullptr;
}

Liquid::Liquid(Heightfield* heightfield, const LiquidDef* def) : terrain(heightfield), isLava(def->lava != 0)
{
    initTextures();

    const int w = terrain->m_heights->m_width;
    const int h = terrain->m_heights->m_height;
    const float extentX = static_cast<float>(terrain->m_xpatches) * terrain->m_patch_size;
    const float extentZ = static_cast<float>(terrain->m_zpatches) * terrain->m_patch_size;
    const float xMin = pixelToWorld(def->x, w, extentX);
    const float xMax = pixelToWorld(def->x + def->width, w, extentX);
    const float zMin = pixelToWorld(def->z, h, extentZ);
    const float zMax = pixelToWorld(def->z + def->depth, h, extentZ);
    // The level file asks for a positive size; a record made elsewhere gets its size
    // taken as given in either direction rather than a surface without area.
    const float width = std::fabs(xMax - xMin);
    const float depth = std::fabs(zMax - zMin);
    const float left = std::min(xMin, xMax);
    const float top = std::min(zMin, zMax);
    const float angle = std::isfinite(def->rotation) ? def->rotation : 0.0f;

    const glm::mat4 I(1.0f);
    const glm::mat4 R = glm::rotate(I, angle, glm::vec3(0.0f, -1.0f, 0.0f)) *
                        glm::rotate(I, -1.5707964f, glm::vec3(1.0f, 0.0f, 0.0f));
    auto* quad = new QuadGeometry(width, depth, 1.0f, 1.0f);
    quad->transform(R);

    const Material surface(glm::vec3(1.0f), glm::vec3(1.0f), glm::vec3(0.0f), 0.0f);
    Mesh* mesh = new Mesh(quad, I, surface, isLava ? gTextures->noise : 0, 0, 0,
                          Shader::get(isLava ? "lava" : "water2"));
    model = new Model(mesh);
    model->setColorMode(COLOR_MODE_NONE);
    model->m_pre_render = &Liquid::preRenderHook;
    model->m_post_render = &Liquid::postRender;
    model->m_pre_render_data = this;
    model->m_post_render_data = this;
    model->m_name = isLava ? "Lava" : "Water";
    model->m_type = MODEL_LIQUID;
    model->m_cull_by_box = true;
    model->m_draw_list_owned = false;
    const glm::mat4 T = glm::translate(I, glm::vec3(left + width / 2.0f, def->height, top + depth / 2.0f));
    model->m_model_matrix = T;

    aspectRatio = depth > 0.0f ? width / depth : 1.0f;

    shape = glm::vec3(width / 2.0f, depth / 2.0f, BOX_HALF_HEIGHT);
    pose = poseFromMatrix(T * glm::translate(I, glm::vec3(0.0f, -BOX_HALF_HEIGHT, 0.0f)) * R);
}

Liquid::~Liquid()
{
    delete model;
}

void Liquid::flow(float dt)
{
    movement += dt * FLOW_RATE;
    movement -= std::floor(movement);
}

bool Liquid::preRenderHook(void* liquid, Model*, const glm::mat4&)
{
    return static_cast<Liquid*>(liquid)->preRender();
}

bool Liquid::preRender()
{
    Shader* shader = model->m_shader;
    glUseProgram(shader->m_program);
    if (isLava) {
        const float t = static_cast<float>(glfwGetTime());
        if (startTime == 0.0f)
            startTime = t;
        shader->setUniform("timeSeconds", t - startTime);
        shader->setUniform("aspectRatio", aspectRatio);
    } else {
        shader->setUniform("uvMultiplier", 1.0f);
        shader->setUniform("normalMap", 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, gTextures ? gTextures->normalMap->m_texture : 0);
        shader->setUniform("displacementMap", 1);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, gTextures ? gTextures->displacementMap->m_texture : 0);
        glActiveTexture(GL_TEXTURE0);
        shader->setUniform("movement", movement);
    }
    shader->setUniform("playerPos", gPlayerPos);
    shader->setUniform("lightDirNormed", gLightDirNormed);
    shader->setUniform("playerShadow", static_cast<int>(gPlayerShadow));
    if (!isLava) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    }
    return true;
}

void Liquid::postRender(void* liquid, Model*, const glm::mat4&)
{
    if (!static_cast<Liquid*>(liquid)->isLava)
        glDisable(GL_BLEND);
}
