#include "scene/Particles.h"

#include "platform/Fatal.h"
#include "platform/Random.h"
#include "scene/Orientation.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/type_ptr.hpp>

#include <cmath>
#include <vector>

namespace {

constexpr int kRandomTexels = 1000;

float nextUnit()
{
    return static_cast<float>(gameRand()) / static_cast<float>(GAME_RAND_MAX);
}

// Unit vectors spread over the cone of half-angle coneAngle around +z (xyz), and a
// uniform 0..1 value (w), one texel each.
std::vector<float> randomConeTexels(float coneAngle)
{
    std::vector<float> texels(kRandomTexels * 4);
    const float c = std::cos(coneAngle);
    for (int i = 0; i < kRandomTexels; ++i) {
        const float r1 = nextUnit();
        const float r2 = nextUnit();
        const float r3 = nextUnit();
        const float phi = r1 * 6.2831855f;
        const float z = c + (1.0f - c) * r2;
        const float s = std::sqrt(std::max(0.0f, 1.0f - z * z));
        texels[i * 4 + 0] = std::cos(phi) * s;
        texels[i * 4 + 1] = std::sin(phi) * s;
        texels[i * 4 + 2] = z;
        texels[i * 4 + 3] = r3;
    }
    return texels;
}

Texture* createRandomTexture(float coneAngle)
{
    const std::vector<float> texels = randomConeTexels(coneAngle);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, name);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA32F, kRandomTexels, 0, GL_RGBA, GL_FLOAT, texels.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glBindTexture(GL_TEXTURE_1D, 0);
    auto* texture = new Texture(name);
    texture->m_target = GL_TEXTURE_1D;
    return texture;
}

} // namespace

Particles::~Particles()
{
    delete m_texture;
    delete m_random_texture;
    if (m_vbo[0] != 0) {
        glDeleteVertexArrays(2, m_vao);
        glDeleteBuffers(2, m_vbo);
        glDeleteTransformFeedbacks(2, m_tfo);
    }
}

void Particles::init()
{
    if (m_vbo[0] != 0)
        fatalError("Particles: already initialized");

    m_random_texture = createRandomTexture(m_cone_angle);

    // Every particle starts dead; the emitter, particle 0, stands at the emitter.
    std::vector<float> initial(static_cast<size_t>(m_capacity) * (kParticleBytes / sizeof(float)), 0.0f);
    if (m_capacity > 0) {
        initial[0] = m_emitter_position.x;
        initial[1] = m_emitter_position.y;
        initial[2] = m_emitter_position.z;
        initial[4] = m_emitter_velocity.x;
        initial[5] = m_emitter_velocity.y;
        initial[6] = m_emitter_velocity.z;
    }

    glGenVertexArrays(2, m_vao);
    glGenBuffers(2, m_vbo);
    for (int i = 0; i < 2; ++i) {
        glBindVertexArray(m_vao[i]);
        glBindBuffer(GL_ARRAY_BUFFER, m_vbo[i]);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(initial.size() * sizeof(float)), initial.data(),
                     GL_DYNAMIC_COPY);
        for (GLuint attribute = 0; attribute < 3; ++attribute) {
            glVertexAttribPointer(attribute, 4, GL_FLOAT, GL_FALSE, kParticleBytes,
                                  reinterpret_cast<const void*>(static_cast<uintptr_t>(attribute * 16)));
            glEnableVertexAttribArray(attribute);
        }
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    glGenTransformFeedbacks(2, m_tfo);
    for (int i = 0; i < 2; ++i) {
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, m_tfo[i]);
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, m_vbo[i]);
    }
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    m_current = 0;

    // The driver builds its code for the update pass when the pass first runs, which
    // would make the first step that moves the exhaust a slow one. One pass now, over
    // the emitter into the buffer the first update writes anyway, moves that to the
    // level's loading.
    if (m_update_shader) {
        glUseProgram(m_update_shader->m_program);
        runUpdatePass(true);
    }
}

void Particles::update(float dt)
{
    float step = dt;
    if (m_update_interval != 0.0f) {
        m_accumulator += dt;
        if (m_accumulator < m_update_interval)
            return;
        m_accumulator -= m_update_interval;
        step = m_update_interval;
    }

    const glm::mat3 coneRotation = glm::mat3_cast(rotationBetween(glm::vec3(0.0f, 0.0f, 1.0f), m_emitter_dir));

    glUseProgram(m_update_shader->m_program);
    m_update_shader->setUniform("emitter_position", m_emitter_position);
    m_update_shader->setUniform("emitter_dir", m_emitter_dir);
    m_update_shader->setUniform("emitter_velocity", m_emitter_velocity);
    m_update_shader->setUniform("emitter_numParticles", m_emitting ? m_emitter_num_particles : 0);
    m_update_shader->setUniform("emitter_time", m_emitter_time);
    m_update_shader->setUniform("particle_time", m_particle_time);
    m_update_shader->setUniform("particle_random_speed", m_particle_random_speed);
    glUniformMatrix3fv(m_update_shader->getUniformLocation("coneRotMat"), 1, GL_FALSE, glm::value_ptr(coneRotation));
    m_update_shader->setUniform("time", static_cast<float>(glfwGetTime()));
    m_update_shader->setUniform("deltaT", step);
    m_update_shader->setUniform("texRandom", 0);
    // Only the emitter exists before the first pass.
    runUpdatePass(m_first);
    m_first = false;
    m_current = 1 - m_current;
}

void Particles::runUpdatePass(bool emitterOnly)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(m_random_texture->m_target, m_random_texture->m_texture);
    glBindVertexArray(m_vao[m_current]);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, m_tfo[1 - m_current]);
    glEnable(GL_RASTERIZER_DISCARD);
    glBeginTransformFeedback(GL_POINTS);
    if (emitterOnly)
        glDrawArrays(GL_POINTS, 0, 1);
    else
        glDrawTransformFeedback(GL_POINTS, m_tfo[m_current]);
    glEndTransformFeedback();
    glDisable(GL_RASTERIZER_DISCARD);
    glBindVertexArray(0);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
}

void Particles::draw(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& cameraUp,
                     const glm::vec3& cameraRight)
{
    if (m_first)
        return;
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glUseProgram(m_render_shader->m_program);
    m_render_shader->setUniform("matViewProj", projection * view);
    m_render_shader->setUniform("vUp", cameraUp);
    m_render_shader->setUniform("vRight", cameraRight);
    m_render_shader->setUniform("particle_time", m_particle_time);
    m_render_shader->setUniform("size", m_size);
    m_render_shader->setUniform("color1", m_color1);
    m_render_shader->setUniform("color2", m_color2);
    m_render_shader->setUniform("tex", 0);
    glActiveTexture(GL_TEXTURE0);
    if (m_texture)
        glBindTexture(GL_TEXTURE_2D, m_texture->m_texture);
    glBindVertexArray(m_vao[m_current]);
    glDrawTransformFeedback(GL_POINTS, m_tfo[m_current]);
    glBindVertexArray(0);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}
