// An off-screen render target the size of the window: a colour attachment (a possibly
// multisampled renderbuffer, or a texture to sample afterwards) and a depth renderbuffer.
#pragma once

#include <GL/glew.h>

class Texture;

class Framebuffer {
public:
    // type 1: colour renderbuffer; type 2: colour texture (single-sampled only); any
    // other type: depth only. samples 0 = single-sampled. Leaves framebuffer 0 bound.
    Framebuffer(int type, int samples);
    // Deletes the framebuffer, its renderbuffers and its textures.
    ~Framebuffer();
    Framebuffer(const Framebuffer&) = delete;
    Framebuffer& operator=(const Framebuffer&) = delete;

    GLenum m_color_internal_format = GL_RGBA8;
    GLenum m_color_format = GL_RGBA;
    GLenum m_color_type = GL_UNSIGNED_BYTE;
    GLenum m_depth_internal_format = GL_DEPTH_COMPONENT24;
    GLenum m_depth_format = GL_DEPTH_COMPONENT;
    GLenum m_depth_type = GL_FLOAT;
    GLuint m_fbo = 0;
    GLuint m_color_rb = 0;
    GLuint m_depth_rb = 0;
    int m_width = 0;
    int m_height = 0;
    int m_samples = 0;
    Texture* m_color_texture = nullptr;
    Texture* m_depth_texture = nullptr;
};
