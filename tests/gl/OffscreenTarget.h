// A small RGBA colour target for drawing tests, read back as bytes (row 0 = bottom).
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // With KESTRUN_TEST_IMAGES set to a directory, keeps the picture there as a PPM.
    void keep(const std::vector<uint8_t>& pixels, const std::string& name) const
    {
        const char* dir = std::getenv("KESTRUN_TEST_IMAGES");
        if (!dir)
            return;
        FILE* file = std::fopen((std::string(dir) + "/" + name + ".ppm").c_str(), "wb");
        if (!file)
            return;
        std::fprintf(file, "P6 %d %d 255\n", width, height);
        for (int row = height - 1; row >= 0; --row)
            for (int column = 0; column < width; ++column)
                std::fwrite(&pixels[(static_cast<size_t>(row) * width + column) * 4], 1, 3, file);
        std::fclose(file);
    }
};

struct LitBox {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
    bool empty() const { return maxX < 0; }
};

// The box of pixels whose channel `channel` exceeds `threshold`.
inline LitBox litBox(const std::vector<uint8_t>& pixels, int width, int height, int channel, int threshold)
{
    LitBox box;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixels[(static_cast<size_t>(y) * width + x) * 4 + channel] > threshold) {
                box.minX = x < box.minX ? x : box.minX;
                box.maxX = x > box.maxX ? x : box.maxX;
                box.minY = y < box.minY ? y : box.minY;
                box.maxY = y > box.maxY ? y : box.maxY;
            }
    return box;
}
