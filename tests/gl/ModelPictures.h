// Loads the game's models the way the game does and renders them off-screen under the
// orbit camera and the sun, for the model tests.
#pragma once

#include "Camera.h"
#include "Light.h"
#include "Model.h"
#include "Shader.h"
#include "Texture.h"

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cstdint>
#include <string>
#include <vector>

// Builds a program unless one of that name is registered.
inline void ensureModelProgram(const std::string& name, const std::vector<std::string>& stages, bool useMvp)
{
    for (Shader* shader : gShaders)
        if (shader->m_name == name)
            return;
    new Shader(name, stages, useMvp);
}

// The programs models are drawn with, and the default textures.
inline void ensureModelPrograms()
{
    ensureModelProgram("phong", {"phong.vs", "phong.fs"}, false);
    ensureModelProgram("phong_notex", {"phong.vs", "phong_notex.fs"}, false);
    ensureModelProgram("phong_tex_notex", {"phong.vs", "phong_tex_notex.fs"}, false);
    ensureModelProgram("phong_notex_alpha", {"phong.vs", "phong_notex_alpha.fs"}, false);
    ensureModelProgram("phong_nm", {"phong_nm.vs.glsl", "phong_nm.fs.glsl"}, false);
    ensureModelProgram("phong_nm_notex", {"phong_nm.vs.glsl", "phong_nm_notex.fs.glsl"}, false);
    ensureModelProgram("color", {"color.vs.glsl", "color.fs.glsl"}, true);
    ensureModelProgram("color_alpha", {"color.vs.glsl", "color_alpha.fs.glsl"}, true);
    Shader::get("phong_tex_notex")->m_optional_diffuse = true;
    if (!gDefaultTextureWhite)
        createDefaultTextures();
}

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

// A colour texture with a depth buffer; cleared to transparent black so that the
// alpha channel tells which pixels the model covers.
struct ModelTarget {
    int width, height;
    GLuint framebuffer = 0, colour = 0, depth = 0;
    GLint oldViewport[4] = {0, 0, 0, 0};

    ModelTarget(int w, int h) : width(w), height(h)
    {
        glGetIntegerv(GL_VIEWPORT, oldViewport);
        glGenTextures(1, &colour);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        glViewport(0, 0, w, h);
    }
    ~ModelTarget()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &depth);
        glDeleteTextures(1, &colour);
        glViewport(oldViewport[0], oldViewport[1], oldViewport[2], oldViewport[3]);
    }
    void clear()
    {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    std::vector<uint8_t> read() const
    {
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
};

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
