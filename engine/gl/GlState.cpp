#include "gl/GlState.h"

#include <GL/glew.h>

GlStateSnapshot* saveGlState(unsigned int framebuffer, GlStateSnapshot* snapshot)
{
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &snapshot->drawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &snapshot->readFramebuffer);
    glGetIntegerv(GL_VIEWPORT, snapshot->viewport);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, snapshot->clearColor);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    return snapshot;
}
