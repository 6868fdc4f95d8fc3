#include "screen/Quad2D.h"

#include "gl/Shader.h"
#include "gl/Texture.h"

#include <GL/glew.h>

#include <glm/gtc/matrix_transform.hpp>

namespace {

void bindIfGiven(Texture* tex)
{
    if (tex)
        glBindTexture(tex->m_target, tex->m_texture);
}

} // namespace

Quad2D::Quad2D(float x, float y, float w, float h)
{
    scale = 1.0f;
    posOffset = glm::vec2(0.375f, 0.375f);
    sizeOffset = glm::vec2(0.5f, 0.5f);
    setRect(x, y, w, h);
    shader = Shader::get("quad2d");
    shaderNoTex = Shader::get("quad2d_notex");
    shaderMultiply = Shader::get("quad2d_multiply");
    shaderMulGray = Shader::get("quad2d_mul_gray");
    shaderNoTexDepth = Shader::get("quad2d_notex_depth");
    shaderFlare = Shader::get("quad2d_flare");
    glGenVertexArrays(1, &vao);
    // The terrain draws patches of four vertices.
    glPatchParameteri(GL_PATCH_VERTICES, 4);
}

Quad2D::~Quad2D()
{
    if (vao)
        glDeleteVertexArrays(1, &vao);
    vao = 0;
}

void Quad2D::setRect(float x, float y, float w, float h)
{
    projection = glm::ortho(x, x + w, y, y + h);
}

void Quad2D::setQuad(Shader* program, float x, float y, float w, float h)
{
    program->setUniform("pos", quadPos(x, y));
    program->setUniform("size", quadSize(w, h));
}

void Quad2D::setTexturedQuad(Shader* program, float x, float y, float w, float h, glm::vec2 uvOffset,
                             glm::vec2 uvScale)
{
    setQuad(program, x, y, w, h);
    program->setUniform("uv_offset", uvOffset);
    program->setUniform("uv_scale", uvScale);
    program->setUniform("projMat", projection);
}

void Quad2D::drawInstanced()
{
    glBindVertexArray(vao);
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
}

void Quad2D::draw(Texture* tex, float x, float y, float w, float h)
{
    draw(tex, x, y, w, h, glm::vec2(0.0f), glm::vec2(1.0f));
}

void Quad2D::draw(Texture* tex, float x, float y, float w, float h, glm::vec2 uvOffset, glm::vec2 uvScale)
{
    glDisable(GL_DEPTH_TEST);
    glUseProgram(shader->m_program);
    setTexturedQuad(shader, x, y, w, h, uvOffset, uvScale);
    shader->setUniform("tex", 0);
    glActiveTexture(GL_TEXTURE0);
    bindIfGiven(tex);
    drawInstanced();
    glEnable(GL_DEPTH_TEST);
}

void Quad2D::drawRect(Texture* tex, float x, float y, float w, float h, glm::vec2 uvOffset, glm::vec2 uvScale)
{
    setQuad(shader, x, y, w, h);
    shader->setUniform("uv_offset", uvOffset);
    shader->setUniform("uv_scale", uvScale);
    if (tex) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(tex->m_target, tex->m_texture);
    }
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
}

void Quad2D::drawBlend(Texture* tex1, Texture* tex2, glm::vec3 blendColor, float x, float y, float w, float h,
                       glm::vec2 uvOffset, glm::vec2 uvScale)
{
    glDisable(GL_DEPTH_TEST);
    glUseProgram(shaderMulGray->m_program);
    setTexturedQuad(shaderMulGray, x, y, w, h, uvOffset, uvScale);
    shaderMulGray->setUniform("blendColor", blendColor);
    shaderMulGray->setUniform("tex1", 0);
    shaderMulGray->setUniform("tex2", 1);
    glActiveTexture(GL_TEXTURE0);
    bindIfGiven(tex1);
    glActiveTexture(GL_TEXTURE1);
    bindIfGiven(tex2);
    glActiveTexture(GL_TEXTURE0);
    drawInstanced();
    glEnable(GL_DEPTH_TEST);
}

void Quad2D::drawColor(glm::vec4 color, float x, float y, float w, float h)
{
    glDisable(GL_DEPTH_TEST);
    glUseProgram(shaderNoTex->m_program);
    setQuad(shaderNoTex, x, y, w, h);
    shaderNoTex->setUniform("projMat", projection);
    shaderNoTex->setUniform("color", color);
    drawInstanced();
    glEnable(GL_DEPTH_TEST);
}

void Quad2D::drawFlare(Texture* tex, glm::vec3 color, float x, float y, float w, float h, glm::vec2 uvOffset,
                       glm::vec2 uvScale)
{
    glUseProgram(shaderFlare->m_program);
    setTexturedQuad(shaderFlare, x, y, w, h, uvOffset, uvScale);
    shaderFlare->setUniform("color", color);
    shaderFlare->setUniform("tex", 0);
    glActiveTexture(GL_TEXTURE0);
    bindIfGiven(tex);
    drawInstanced();
}

void Quad2D::drawFlareColor(glm::vec3 color, float x, float y, float w, float h, glm::vec2 uvOffset)
{
    setQuad(shaderFlare, x, y, w, h);
    shaderFlare->setUniform("uv_offset", uvOffset);
    shaderFlare->setUniform("color", color);
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
}

void drawTexturedQuad(GLuint vao, GLuint texture)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindVertexArray(vao);
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
    glBindVertexArray(0);
}
