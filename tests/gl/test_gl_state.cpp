#include "GlTest.h"

#include "platform/AssetFiles.h"
#include "gl/GlState.h"

using GlState = GlTest;

TEST_F(GlState, ContextIsCoreProfile43OrNewer)
{
    GLint major = 0, minor = 0, mask = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    EXPECT_GE(major * 10 + minor, 43);
    EXPECT_TRUE(mask & GL_CONTEXT_CORE_PROFILE_BIT);
}

TEST_F(GlState, SnapshotRecordsStateAndBindsTheTarget)
{
    GLuint fbo = 0, tex = 0;
    glGenFramebuffers(1, &fbo);
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 16, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glViewport(3, 4, 50, 60);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    GlStateSnapshot snapshot;
    EXPECT_EQ(saveGlState(fbo, &snapshot), &snapshot);
    EXPECT_EQ(snapshot.drawFramebuffer, 0);
    EXPECT_EQ(snapshot.readFramebuffer, 0);
    EXPECT_EQ(snapshot.viewport[0], 3);
    EXPECT_EQ(snapshot.viewport[3], 60);
    EXPECT_FLOAT_EQ(snapshot.clearColor[2], 0.75f);

    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), fbo);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), fbo);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &tex);
}
