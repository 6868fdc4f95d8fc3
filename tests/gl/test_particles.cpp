// The exhaust particles on a real GL context: how many particles each feedback pass
// writes, the update interval, and the fixed buffers.
#include "GameGl.h"

#include "gl/Texture.h"
#include "scene/Particles.h"

#include <glm/gtc/matrix_transform.hpp>

#include <memory>

namespace {

class ParticlesGl : public GameGlTest {
protected:
    static std::unique_ptr<Particles> make(unsigned int capacity)
    {
        auto particles = std::make_unique<Particles>();
        particles->m_capacity = capacity;
        particles->m_update_shader = Shader::get("particle_update");
        particles->m_render_shader = Shader::get("particle_render");
        particles->m_texture = new Texture(true, "thrust-particle.png");
        particles->m_emitter_dir = glm::vec3(0.0f, -1.0f, 0.0f);
        particles->init();
        return particles;
    }

    // Particles written by one update call (0 when the call ran no pass).
    static GLuint written(Particles& particles, float dt)
    {
        GLuint query = 0, count = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, query);
        particles.update(dt);
        glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }

    // Draws the particles seen from 10 units up +z; returns how many pixels they lit.
    static int litPixels(Particles& particles)
    {
        OffscreenTarget target(64, 64);
        const glm::mat4 view = glm::lookAt(glm::vec3(0.0f, 0.0f, 10.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
        const glm::mat4 projection = glm::perspective(1.0f, 1.0f, 0.1f, 100.0f);
        particles.draw(view, projection, glm::vec3(0.0f, 1.0f, 0.0f), glm::vec3(1.0f, 0.0f, 0.0f));
        const auto pixels = target.read();
        int lit = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                lit += target.at(pixels, x, y).r > 10 ? 1 : 0;
        return lit;
    }
};

} // namespace

TEST_F(ParticlesGl, EmitterFirstThenSpawnsOnlyWhileEmitting)
{
    auto particles = make(1000);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Before the first pass there is nothing to draw.
    EXPECT_EQ(litPixels(*particles), 0);

    // The first pass reads the emitter alone: not emitting, it writes just itself.
    EXPECT_EQ(written(*particles, 1.0f / 60.0f), 1u);
    EXPECT_EQ(written(*particles, 1.0f / 60.0f), 1u);
    particles->m_emitting = true;
    EXPECT_EQ(written(*particles, 1.0f / 60.0f), 1u + 5u);
    EXPECT_EQ(written(*particles, 1.0f / 60.0f), 1u + 10u);
    EXPECT_GT(litPixels(*particles), 0);

    // Switched off, the plume dies out (life 300 ms) and nothing new is born.
    particles->m_emitting = false;
    GLuint count = 0;
    for (int i = 0; i < 30; ++i)
        count = written(*particles, 1.0f / 60.0f);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ParticlesGl, UpdateIntervalRunsAtMostOnePassPerCall)
{
    auto particles = make(100);
    particles->m_update_interval = 1.0f / 60.0f;
    const struct {
        float dt;
        bool pass;
        float left;
    } calls[] = {
        {1.0f / 120.0f, false, 1.0f / 120.0f},
        {1.0f / 120.0f, true, 0.0f},
        {1.0f / 120.0f, false, 1.0f / 120.0f},
        {1.0f / 120.0f, true, 0.0f},
        {0.1f, true, 0.1f - 1.0f / 60.0f},
    };
    for (const auto& call : calls) {
        const int before = particles->m_current;
        EXPECT_EQ(written(*particles, call.dt) > 0, call.pass) << "dt " << call.dt;
        EXPECT_EQ(particles->m_current != before, call.pass);
        EXPECT_NEAR(particles->m_accumulator, call.left, 1e-6f);
    }
}

TEST_F(ParticlesGl, BuffersKeepTheirSizeWhenTheyOverflow)
{
    auto particles = make(16);
    particles->m_emitting = true;
    particles->m_emitter_time = 0.0f;
    GLuint most = 0;
    for (int i = 0; i < 40; ++i)
        most = std::max(most, written(*particles, 1.0f / 60.0f));
    EXPECT_EQ(most, 16u);
    for (GLuint buffer : particles->m_vbo) {
        GLint size = 0;
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        EXPECT_EQ(size, 16 * Particles::kParticleBytes);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    EXPECT_GT(litPixels(*particles), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
