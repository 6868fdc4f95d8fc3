// A colour target for drawing tests, read back as RGBA bytes (row 0 = bottom), and the
// text and screen-quad programs built unless already registered.
#pragma once

#include "Shader.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdint>
#include <vector>

inline void ensureScreenPrograms()
{
    const std::vector<std::vector<std::string>> programs = {
        {"text", "text.vs.glsl", "text.fs.glsl"},
        {"quad2d", "quad2d.vs.glsl", "quad2d.fs.glsl"},
        {"quad2d_notex", "quad2d_notex.vs.glsl", "quad2d_notex.fs.glsl"},
        {"quad2d_notex_depth", "quad2d_notex_depth.vs.glsl", "quad2d_notex.fs.glsl"},
        {"quad2d_multiply", "quad2d.vs.glsl", "quad2d_multiply.fs.glsl"},
        {"quad2d_mul_gray", "quad2d.vs.glsl", "quad2d_multiply_grayscale.fs.glsl"},
        {"quad2d_flare", "quad2d.vs.glsl", "quad2d_flare.fs.glsl"},
    };
    for (const auto& p : programs)
        if (std::none_of(gShaders.begin(), gShaders.end(), [&](Shader* s) { return s->m_name == p[0]; }))
            new Shader(p[0], {p[1], p[2]}, false);
}

struct LitBox {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
    bool empty() const { return maxX < 0; }
};

struct OffscreenTarget {
    int width, height;
    GLuint framebuffer = 0, colour = 0;
    GLint oldViewport[4] = {0, 0, 0, 0};

    OffscreenTarget(int w, int h) : width(w), height(h)
    {
        glGetIntegerv(GL_VIEWPORT, oldViewport);
        glGenTextures(1, &colour);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glViewport(0, 0, w, h);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ~OffscreenTarget()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &colour);
        glViewport(oldViewport[0], oldViewport[1], oldViewport[2], oldViewport[3]);
    }

    std::vector<uint8_t> read() const
    {
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    const uint8_t* at(const std::vector<uint8_t>& pixels, int x, int y) const
    {
        return &pixels[(static_cast<size_t>(y) * width + x) * 4];
    }
    // The box of the pixels whose channel exceeds the threshold.
    LitBox lit(const std::vector<uint8_t>& pixels, int channel, int threshold) const
    {
        LitBox box;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(pixels, x, y)[channel] > threshold) {
                    box.minX = std::min(box.minX, x), box.maxX = std::max(box.maxX, x);
                    box.minY = std::min(box.minY, y), box.maxY = std::max(box.maxY, y);
                }
        return box;
    }
};
