// Shared pieces of the GL tests: an off-screen colour + depth target read back as RGBA
// bytes (row 0 = bottom), and fixtures that build the game's programs and default
// textures (and, when asked, the physics world) once per suite.
#pragma once

#include "GlTest.h"

#include "app/App.h"
#include "app/Globals.h"
#include "level/Game.h"
#include "physics/Physics.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <glm/glm.hpp>

#include <algorithm>
#include <cstdint>
#include <vector>

struct LitBox {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
    bool empty() const { return maxX < 0; }
};

struct OffscreenTarget {
    int width, height;
    float clearAlpha;
    GLuint framebuffer = 0, colour = 0, depth = 0;
    GLint oldViewport[4] = {0, 0, 0, 0};

    // clearAlpha 0 lets the alpha channel tell which pixels a draw covered.
    OffscreenTarget(int w, int h, float alpha = 1.0f) : width(w), height(h), clearAlpha(alpha)
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
        clear();
    }
    ~OffscreenTarget()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &depth);
        glDeleteTextures(1, &colour);
        glViewport(oldViewport[0], oldViewport[1], oldViewport[2], oldViewport[3]);
    }
    void clear() const
    {
        glClearColor(0.0f, 0.0f, 0.0f, clearAlpha);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    std::vector<uint8_t> read() const
    {
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    glm::ivec4 at(const std::vector<uint8_t>& pixels, int x, int y) const
    {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        return glm::ivec4(p[0], p[1], p[2], p[3]);
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

// The 30 programs as start-up builds them, in a registry of the suite's own.
class GameGlTest : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        s_savedShaders.swap(gShaders);
        glGetError();
        createShaderPrograms();
        Shader::get("phong_tex_notex")->m_optional_diffuse = true;
        createDefaultTextures();
        s_startUpError = glGetError();
    }
    static void TearDownTestSuite()
    {
        deleteDefaultTextures();
        Shader::deleteAll();
        gShaders.swap(s_savedShaders);
    }
    void TearDown() override
    {
        glUseProgram(0);
        glActiveTexture(GL_TEXTURE0);
        GlTest::TearDown();
    }
    inline static std::vector<Shader*> s_savedShaders;
    inline static GLenum s_startUpError = GL_NO_ERROR;
};

// The same with the physics world the levels load into.
class PhysicsGlTest : public GameGlTest {
protected:
    static void SetUpTestSuite()
    {
        GameGlTest::SetUpTestSuite();
        gPhysics = new Physics();
        gPhysics->init();
    }
    static void TearDownTestSuite()
    {
        gPhysics->release();
        delete gPhysics;
        gPhysics = nullptr;
        GameGlTest::TearDownTestSuite();
    }
};

// A level loaded into the game and running: loading screen left, not paused, gravity
// on, collisions deadly. The level is unloaded after each test.
class PlayingGlTest : public PhysicsGlTest {
protected:
    static void startLevel(int level)
    {
        gGravityEnabled = true;
        gDevKeysEnabled = false;
        gGame.m_antialiasing = 0;
        gCurrentLevel = level;
        gGame.init(level, true);
        gGame.m_camera.saveResetState(); // as the start-up does before leaving the loading screen
        gGame.leaveLoadingScreen();
        gGame.m_paused = false;
        gGame.m_invincible = false;
        gGame.m_wasLanded = false;
        gGame.m_wasColliding = false;
    }
    void TearDown() override
    {
        gGravityEnabled = true;
        gGame.cleanup();
        PhysicsGlTest::TearDown();
    }
};
