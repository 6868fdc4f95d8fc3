// GPU particles for the thruster exhaust. The particle state lives only in two GL
// buffers that the "particle_update" program advances by transform feedback, one
// buffer feeding the other in turn; "particle_render" draws the current one as
// camera-facing sprites. Particle 0 is the emitter: the update program spawns new
// particles from it in a cone around the emitter direction, with unit vectors from a
// 1D random texture. The CPU never reads particle data back: the particle count stays
// in the transform-feedback objects.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

class Shader;
class Texture;

class Particles {
public:
    Particles() = default;
    // Deletes the textures, and the vertex arrays, buffers and feedback objects once made.
    ~Particles();
    Particles(const Particles&) = delete;
    Particles& operator=(const Particles&) = delete;

    // Builds the random texture (from the program-wide generator, with the current
    // cone angle), both buffers with the emitter as their only live particle, and
    // the vertex arrays and feedback objects. A second call is fatal.
    void init();
    // One update pass of dt seconds, or, with an update interval, one pass of that
    // interval once enough time has gathered (never more than one per call).
    void update(float dt);
    // Draws the current particles additively; nothing before the first update.
    void draw(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& cameraUp,
              const glm::vec3& cameraRight);

    // Size in bytes of one particle: position and type, velocity and time to live, colour.
    static constexpr int kParticleBytes = 48;

    bool m_emitting = false;
    glm::vec3 m_emitter_position = glm::vec3(0.0f);
    glm::vec3 m_emitter_dir = glm::vec3(0.0f);
    glm::vec3 m_emitter_velocity = glm::vec3(0.0f);
    float m_emitter_time = 10.0f;      // milliseconds between spawns
    int m_emitter_num_particles = 5;   // spawned at a time while emitting
    float m_size = 0.5f;
    float m_particle_time = 300.0f;    // life in milliseconds
    float m_particle_random_speed = 10.0f;
    glm::vec3 m_color1 = glm::vec3(1.0f, 1.0f, 0.2f);
    glm::vec3 m_color2 = glm::vec3(0.8f, 0.0f, 0.0f);
    float m_update_interval = 0.0f;    // seconds; 0 = a pass on every update
    unsigned int m_capacity = 1000;    // particles per buffer
    float m_cone_angle = 0.2617994f;   // half-angle of the emission cone, radians
    GLuint m_vao[2] = {0, 0};
    GLuint m_vbo[2] = {0, 0};
    GLuint m_tfo[2] = {0, 0};
    bool m_first = true;               // no feedback result exists yet
    int m_current = 0;                 // buffer holding the current particles
    Shader* m_update_shader = nullptr; // "particle_update"
    Shader* m_render_shader = nullptr; // "particle_render"
    Texture* m_texture = nullptr;      // sprite, owned
    Texture* m_random_texture = nullptr; // owned
    float m_accumulator = 0.0f;        // time not yet used by interval passes

private:
    // One transform-feedback pass of the bound update program from the current buffer
    // into the other: over the emitter alone, or over everything the last pass wrote.
    void runUpdatePass(bool emitterOnly);
};
