#include "hud/Compass.h"

#include "gl/Shader.h"
#include "gl/Texture.h"

#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

namespace {

// The signs stand this far from the lander and are this large, in world units.
constexpr float kRingRadius = 800.0f;
constexpr float kSignSize = 60.0f;
constexpr int kSigns = 8;

} // namespace

Compass::Compass()
{
    texture = new Texture(true, "compass.png");
    shader = Shader::get("quad3d");
    glGenVertexArrays(1, &vao);
    glPatchParameteri(GL_PATCH_VERTICES, 4);
}

Compass::~Compass()
{
    delete texture;
    if (vao)
        glDeleteVertexArrays(1, &vao);
}

void Compass::draw(const glm::mat4& view, const glm::mat4& projection, glm::vec3 landerPos)
{
    if (!enabled)
        return;
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const glm::mat4 projView = projection * view;

    glUseProgram(shader->m_program);
    shader->setUniform("uv_scale", glm::vec2(1.0f / kSigns, 1.0f));
    shader->setUniform("tex", 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->m_texture);
    glBindVertexArray(vao);

    // Sign i turned i eighths of a circle clockwise (seen from above) from north.
    const glm::mat4 around = glm::translate(glm::mat4(1.0f), landerPos);
    const glm::mat4 sign = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -kRingRadius)) *
                           glm::scale(glm::mat4(1.0f), glm::vec3(kSignSize));
    for (int i = 0; i < kSigns; ++i) {
        const float angle = static_cast<float>(i) * glm::pi<float>() / 4.0f;
        shader->setUniform("mvpMat", projView * glm::rotate(around, angle, glm::vec3(0.0f, -1.0f, 0.0f)) * sign);
        shader->setUniform("uv_offset", glm::vec2(static_cast<float>(i) / kSigns, 0.0f));
        glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
    }
    glBindVertexArray(0);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}
