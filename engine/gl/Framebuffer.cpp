#include "gl/Framebuffer.h"

#include "platform/Fatal.h"
#include "platform/FrameGlobals.h"
#include "gl/Texture.h"

namespace {

// A new renderbuffer of that format, multisampled when samples is not 0, attached
// to the bound framebuffer.
GLuint attachRenderbuffer(GLenum attachment, GLenum internalFormat, int samples, int width, int height)
{
    GLuint renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    if (samples != 0)
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, internalFormat, width, height);
    else
        glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, renderbuffer);
    return renderbuffer;
}

} // namespace

Framebuffer::Framebuffer(int type, int samples)
{
    m_width = gWindowWidth;
    m_height = gWindowHeight;
    m_samples = samples;
    if (type == 2 && samples != 0)
        fatalError("Framebuffer: texture attachments for multisample framebuffers not supported");

    glGenFramebuffers(1, &m_fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);

    if (type == 2) {
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(m_color_internal_format), m_width, m_height, 0,
                     m_color_format, m_color_type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        m_color_texture = new Texture(texture);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    } else if (type == 1) {
        m_color_rb =
            attachRenderbuffer(GL_COLOR_ATTACHMENT0, m_color_internal_format, samples, m_width, m_height);
    }
    m_depth_rb = attachRenderbuffer(GL_DEPTH_ATTACHMENT, m_depth_internal_format, samples, m_width, m_height);

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        fatalError("Framebuffer creation failed");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

Framebuffer::~Framebuffer()
{
    if (m_fbo != 0)
        glDeleteFramebuffers(1, &m_fbo);
    if (m_color_rb != 0)
        glDeleteRenderbuffers(1, &m_color_rb);
    if (m_depth_rb != 0)
        glDeleteRenderbuffers(1, &m_depth_rb);
    delete m_color_texture;
    delete m_depth_texture;
}
