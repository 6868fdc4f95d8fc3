// Window-sized framebuffers: multisampled renderbuffers, a sampleable colour
// texture, and the resolve from one into the other.
#include "ChildProcess.h"
#include "GlTest.h"

#include "gl/Framebuffer.h"
#include "platform/FrameGlobals.h"
#include "gl/Texture.h"

#include <vector>

namespace {

using FramebufferTest = GlTest;

GLint boundFramebuffer()
{
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    return bound;
}

GLint renderbufferParameter(GLuint renderbuffer, GLenum name)
{
    GLint value = 0;
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, name, &value);
    return value;
}

} // namespace

TEST_F(FramebufferTest, RenderbufferTargetsAreWindowSizedAndMultisampledOnRequest)
{
    Framebuffer msaa(1, 4);
    EXPECT_EQ(boundFramebuffer(), 0);
    EXPECT_EQ(msaa.m_width, gWindowWidth);
    EXPECT_EQ(msaa.m_height, gWindowHeight);
    EXPECT_EQ(msaa.m_color_texture, nullptr);
    ASSERT_NE(msaa.m_color_rb, 0u);
    EXPECT_EQ(renderbufferParameter(msaa.m_color_rb, GL_RENDERBUFFER_SAMPLES), 4);
    EXPECT_EQ(renderbufferParameter(msaa.m_depth_rb, GL_RENDERBUFFER_SAMPLES), 4);
    EXPECT_EQ(renderbufferParameter(msaa.m_depth_rb, GL_RENDERBUFFER_INTERNAL_FORMAT), GL_DEPTH_COMPONENT24);

    Framebuffer single(1, 0);
    EXPECT_EQ(renderbufferParameter(single.m_color_rb, GL_RENDERBUFFER_SAMPLES), 0);
    EXPECT_EQ(renderbufferParameter(single.m_color_rb, GL_RENDERBUFFER_WIDTH), gWindowWidth);

    Framebuffer depthOnly(0, 0);
    EXPECT_EQ(depthOnly.m_color_rb, 0u);
    EXPECT_EQ(depthOnly.m_color_texture, nullptr);
    EXPECT_NE(depthOnly.m_depth_rb, 0u);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

TEST_F(FramebufferTest, MultisampledSceneResolvesIntoTheColourTexture)
{
    Framebuffer msaa(1, 4);
    Framebuffer resolve(2, 0);
    ASSERT_NE(resolve.m_color_texture, nullptr);
    EXPECT_EQ(resolve.m_color_texture->m_width, gWindowWidth);
    EXPECT_EQ(resolve.m_color_texture->m_height, gWindowHeight);
    const int w = gWindowWidth, h = gWindowHeight;

    // A white triangle over the lower-left half, its long edge on the diagonal.
    glBindFramebuffer(GL_FRAMEBUFFER, msaa.m_fbo);
    glViewport(0, 0, w, h);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const char* vs = "#version 430 core\nvoid main() {"
                     " vec2 p[3] = vec2[3](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0));"
                     " gl_Position = vec4(p[gl_VertexID], 0.0, 1.0); }\n";
    const char* fs = "#version 430 core\nout vec4 o;\nvoid main() { o = vec4(1.0); }\n";
    const GLuint program = glCreateProgram();
    for (auto [type, text] : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, vs}, {GL_FRAGMENT_SHADER, fs}}) {
        const GLuint stage = glCreateShader(type);
        glShaderSource(stage, 1, &text, nullptr);
        glCompileShader(stage);
        glAttachShader(program, stage);
        glDeleteShader(stage);
    }
    glLinkProgram(program);
    GLuint vao = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glUseProgram(program);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_MULTISAMPLE);
    glDrawArrays(GL_TRIANGLES, 0, 3);

    glBindFramebuffer(GL_READ_FRAMEBUFFER, msaa.m_fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolve.m_fbo);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    glBindTexture(GL_TEXTURE_2D, resolve.m_color_texture->m_texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const auto red = [&](int x, int y) { return pixels[(static_cast<size_t>(y) * w + x) * 4]; };
    EXPECT_EQ(red(w / 8, h / 8), 255);
    EXPECT_EQ(red(w - 8, h - 8), 0);
    // Along the diagonal edge some pixels are partly covered: only a multisampled
    // target gives such in-between values.
    int partial = 0;
    for (int y = 0; y < h; ++y) {
        const int x = static_cast<int>((1.0f - (y + 0.5f) / h) * w);
        for (int dx = -2; dx <= 2; ++dx) {
            const int v = (x + dx >= 0 && x + dx < w) ? red(x + dx, y) : 0;
            partial += v > 0 && v < 255;
        }
    }
    EXPECT_GT(partial, h / 4);

    glUseProgram(0);
    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vao);
    glDeleteProgram(program);
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_DEPTH_TEST);
}

TEST_F(FramebufferTest, ColourTexturesCannotBeMultisampled)
{
    const ChildResult result = runInChild([] { Framebuffer(2, 4); });
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.output, "ERROR: Framebuffer: texture attachments for multisample framebuffers not supported\n");
}
