// An EMP bomb: a small ball thrown from the lander that bounces over the terrain while
// its fuse burns down, glowing green, then yellow, then red, until it explodes.
#pragma once

#include "platform/FixedStepClock.h"

#include <glm/glm.hpp>

class Model;
class btRigidBody;
class btSphereShape;
struct PhysicsMaterial;

// Shared by every bomb of a level; built by Bomb::initTemplate, freed by releaseTemplate.
extern Model* gBombTemplate;
extern PhysicsMaterial* gBombMaterial;
extern btSphereShape* gBombShape;

class Bomb {
public:
    static constexpr unsigned int FUSE_FRAMES = 600; // ten seconds of 1/60 s steps

    // Loads the bomb model and makes the shared ball shape unless they exist.
    static void initTemplate();
    // Frees what initTemplate made; every bomb must be gone before.
    static void releaseTemplate();

    // A bomb at `position` flying at `velocity`, spinning as it leaves the lander when
    // `spin` is set; its body joins the physics world, its model follows the body.
    Bomb(const glm::vec3& position, const glm::vec3& velocity, bool spin);
    // Takes the body out of the world and frees it and the model.
    ~Bomb();
    Bomb(const Bomb&) = delete;
    Bomb& operator=(const Bomb&) = delete;

    // Burns one fuse frame per 1/60 s (every call when fixedStep); true once the fuse is out.
    bool burnFuse(bool fixedStep, float dt);
    // The body's position, where the bomb explodes.
    glm::vec3 position() const;
    // The glow for `left` of `length` fuse frames: green, yellow half way, red at the end.
    static glm::vec3 fuseColor(unsigned int left, unsigned int length);
    // Before each bomb is drawn: the shared shell takes this bomb's glow.
    static bool preRender(void* bomb, Model* model, const glm::mat4& projView);

    Model* m_model = nullptr;
    unsigned int m_fuseLeft = FUSE_FRAMES;
    unsigned int m_fuseLength = FUSE_FRAMES;
    FixedStepClock m_stepClock;

private:
    btRigidBody* m_body = nullptr;
};
