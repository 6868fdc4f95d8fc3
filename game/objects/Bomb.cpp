#include "objects/Bomb.h"

#include "gl/Shader.h"
#include "physics/Physics.h"
#include "scene/Mesh.h"
#include "scene/Model.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>

Model* gBombTemplate = nullptr;
PhysicsMaterial* gBombMaterial = nullptr;
btSphereShape* gBombShape = nullptr;

namespace {

const float BOMB_RADIUS = 0.5f;
// A ball of density 10: m = 10 * 4/3 pi r^3, I = 2/5 m r^2 about every axis.
const float BOMB_MASS = 5.235988f;
const float BOMB_INERTIA = 0.5235988f;
// Spin damping of about 5 % a second.
const float BOMB_ANGULAR_DAMPING = 0.0488f;
const glm::vec3 LAUNCH_SPIN(-5.0f, 5.0f, 0.0f); // rad/s

btVector3 toBt(const glm::vec3& v)
{
    return btVector3(v.x, v.y, v.z);
}

} // namespace

void Bomb::initTemplate()
{
    if (gBombTemplate)
        return;
    const glm::mat4 half = glm::scale(glm::mat4(1.0f), glm::vec3(0.5f));
    gBombTemplate = new Model("PlasmaGrenade/plasma_grenade.obj", half, Shader::get("phong_notex"), true, nullptr);
    gBombTemplate->m_name = "BombTemplate";
    gBombTemplate->m_type = MODEL_BOMB;
    gBombTemplate->m_draw_list_owned = false;
    gBombTemplate->m_single_shader = false;
    // The first mesh is the glowing shell, drawn flat in the fuse's colour.
    if (!gBombTemplate->m_meshes.empty()) {
        Mesh* shell = gBombTemplate->m_meshes[0];
        shell->m_color_mode = COLOR_MODE_FLAT;
        shell->m_shader = Shader::get("color");
    }
    for (Mesh* mesh : gBombTemplate->m_meshes)
        mesh->m_geometry->upload();

    gBombMaterial = new PhysicsMaterial{0.5f, 0.5f, 0.3f};
    gBombShape = new btSphereShape(BOMB_RADIUS);
}

void Bomb::releaseTemplate()
{
    delete gBombTemplate;
    delete gBombShape;
    delete gBombMaterial;
    gBombTemplate = nullptr;
    gBombShape = nullptr;
    gBombMaterial = nullptr;
}

Bomb::Bomb(const glm::vec3& position, const glm::vec3& velocity, bool spin)
{
    initTemplate();
    m_model = new Model(*gBombTemplate, false);
    m_model->m_name = "Bomb";
    m_model->m_draw_list_owned = false;
    m_model->m_pre_render = preRender;
    m_model->m_pre_render_data = this;

    btTransform pose;
    pose.setIdentity();
    pose.setOrigin(toBt(position));
    m_model->m_model_matrix = glm::translate(glm::mat4(1.0f), position);
    if (!gPhysics || !gPhysics->m_scene)
        return;
    btRigidBody::btRigidBodyConstructionInfo info(BOMB_MASS, nullptr, gBombShape, btVector3(BOMB_INERTIA, BOMB_INERTIA,
                                                                                            BOMB_INERTIA));
    info.m_startWorldTransform = pose;
    m_body = new btRigidBody(info);
    applyMaterial(m_body, *gBombMaterial);
    m_body->setDamping(0.0f, BOMB_ANGULAR_DAMPING);
    m_body->setLinearVelocity(toBt(velocity));
    if (spin)
        m_body->setAngularVelocity(toBt(LAUNCH_SPIN));
    // A bomb lives ten seconds at most: it never sleeps, so a crawler driving into a
    // resting bomb still pushes it.
    m_body->setActivationState(DISABLE_DEACTIVATION);
    gPhysics->m_scene->addRigidBody(m_body);
    m_model->m_actor = m_body;
    m_model->updateFromActor();
}

Bomb::~Bomb()
{
    if (m_body) {
        if (gPhysics && gPhysics->m_scene)
            gPhysics->m_scene->removeRigidBody(m_body);
        delete m_body;
    }
    delete m_model;
}

bool Bomb::burnFuse(bool fixedStep, float dt)
{
    if ((fixedStep || m_stepClock.advance(dt)) && m_fuseLeft > 0)
        m_fuseLeft -= 1;
    return m_fuseLeft == 0;
}

glm::vec3 Bomb::position() const
{
    if (!m_body)
        return glm::vec3(m_model->m_model_matrix[3]);
    const btVector3& p = m_body->getWorldTransform().getOrigin();
    return glm::vec3(p.x(), p.y(), p.z());
}

glm::vec3 Bomb::fuseColor(unsigned int left, unsigned int length)
{
    // A fuse without length has burnt down.
    const float burnt = length > 0 ? 1.0f - static_cast<float>(left) / static_cast<float>(length) : 1.0f;
    const float t = 2.0f * burnt;
    return t < 1.0f ? glm::vec3(t, 1.0f, 0.0f) : glm::vec3(1.0f, 2.0f - t, 0.0f);
}

bool Bomb::preRender(void* bomb, Model*, const glm::mat4&)
{
    const Bomb* self = static_cast<const Bomb*>(bomb);
    if (gBombTemplate && !gBombTemplate->m_meshes.empty())
        gBombTemplate->m_meshes[0]->m_material.diffuse = fuseColor(self->m_fuseLeft, self->m_fuseLength);
    return true;
}
