// Crystals: the shared templates, placement, the static box, the detail switch and
// the translucent drawing.
#include "objects/Crystal.h"

#include "app/Globals.h"
#include "level/LevelConfig.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "gl/Shader.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <iostream>

Material gCrystalMaterial(glm::vec3(0.1f, 0.1f, 0.2f), glm::vec3(0.6f, 0.6f, 1.0f), glm::vec3(0.8f), 8.0f);
float gCrystalAlpha = 0.65f;

namespace {

const char* const TEMPLATE_FILES[3] = {"crystal/crystal.obj", "crystal/medium.obj", "crystal/very_low.obj"};
// q = squared distance / squared scale below which the first and the second model show.
const float DETAIL_THRESHOLDS[2] = {900.0f, 10000.0f};
// The models' base lies this far below their origin in the files.
const float BASE_OFFSET = 1.237554f;

Model* gTemplates[3] = {nullptr, nullptr, nullptr};
const PhysicsMaterial gCrystalPhysicsMaterial{0.5f, 0.5f, 0.3f};
bool gCullingWasOn = false;

} // namespace

void Crystal::initTemplates()
{
    if (gTemplates[0])
        return;
    const glm::mat4 transform = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, gCrystalNudging + BASE_OFFSET, 0.0f));
    Shader* shader = Shader::get("phong_notex_alpha");
    for (int i = 0; i < 3; ++i) {
        Model* model = new Model(TEMPLATE_FILES[i], transform, shader, true, nullptr);
        model->m_name = "CrystalTemplate " + std::to_string(i);
        model->m_type = MODEL_CRYSTAL;
        model->m_single_shader = false;
        model->m_draw_list_owned = false;
        for (Mesh* mesh : model->m_meshes)
            mesh->m_material = gCrystalMaterial;
        gTemplates[i] = model;
    }
}

void Crystal::destroyTemplates()
{
    for (Model*& model : gTemplates) {
        delete model;
        model = nullptr;
    }
}

double Crystal::boxReach(float scale)
{
    initTemplates();
    glm::vec3 min, max;
    gTemplates[0]->computeAABB(min, max);
    // The box's middle lies half its height above the base, and its corners half its
    // diagonal from the middle.
    return 2.0 * static_cast<double>(glm::length((max - min) * 0.5f)) * static_cast<double>(scale);
}

Crystal::Crystal(const CrystalDef* def)
{
    initTemplates();
    float s = def->scale;
    // A scale of zero or less has no size and would mirror the model.
    if (!(s > 0.0f) || !std::isfinite(s)) {
        std::cout << "WARNING: Crystal with scale " << s << "; using 1.0" << std::endl;
        s = 1.0f;
    }
    m_invScaleSq = 1.0f / (s * s);

    // Tilt about x, turn about y, then twist about the crystal's own up axis.
    const glm::vec3 a = def->rotation;
    const glm::quat tilt = glm::angleAxis(a.y, glm::vec3(0.0f, 1.0f, 0.0f)) *
                           glm::angleAxis(a.x, glm::vec3(1.0f, 0.0f, 0.0f));
    const glm::vec3 ownUp = tilt * glm::vec3(0.0f, 1.0f, 0.0f);
    const glm::quat R = glm::angleAxis(a.z, glm::normalize(ownUp)) * tilt;

    for (int k = 0; k < 3; ++k) {
        m_lod[k] = new Model(*gTemplates[k], false);
        m_lod[k]->m_name = "Crystal_LOD" + std::to_string(k);
        m_lod[k]->m_single_shader = false;
        m_lod[k]->m_draw_list_owned = false;
        m_lod[k]->m_scale = s;
        m_lod[k]->m_pre_render = &Crystal::preRender;
        m_lod[k]->m_post_render = &Crystal::postRender;
        m_lod[k]->m_pre_render_data = this;
        m_lod[k]->m_post_render_data = this;
    }

    glm::vec3 min, max;
    gTemplates[0]->computeAABB(min, max);
    const glm::vec3 half = (max - min) * 0.5f;
    m_position = def->position;
    m_boxHalf = half * s;
    m_boxPose.q = R;
    m_boxPose.p = m_position + R * glm::vec3(0.0f, half.y * s, 0.0f);

    // The box stands on the crystal's base; it never moves, so the models do not
    // follow it (their matrices carry the scale, which the body's pose cannot).
    m_box = new btBoxShape(btVector3(m_boxHalf.x, m_boxHalf.y, m_boxHalf.z));
    m_box->setMargin(0.0f);
    m_shape = new btCompoundShape(false, 1);
    btTransform local;
    local.setIdentity();
    local.setOrigin(btVector3(0.0f, m_boxHalf.y, 0.0f));
    m_shape->addChildShape(local, m_box);
    m_actor = new btCollisionObject();
    m_actor->setCollisionShape(m_shape);
    applyMaterial(m_actor, gCrystalPhysicsMaterial);
    m_actor->setWorldTransform(toTransform(Pose{R, m_position}));
    if (gPhysics && gPhysics->m_scene)
        gPhysics->m_scene->addCollisionObject(m_actor);

    const glm::mat4 matrix = glm::translate(glm::mat4(1.0f), m_position) * glm::scale(glm::mat4(1.0f), glm::vec3(s)) *
                             glm::mat4_cast(R);
    for (Model* model : m_lod)
        model->m_model_matrix = matrix;
    showDetail(0);
}

Crystal::~Crystal()
{
    if (m_actor && gPhysics && gPhysics->m_scene)
        gPhysics->m_scene->removeCollisionObject(m_actor);
    delete m_actor;
    delete m_shape;
    delete m_box;
    for (Model*& model : m_lod) {
        delete model;
        model = nullptr;
    }
}

int Crystal::detailFor(const glm::vec3& viewer) const
{
    const glm::vec3 d = viewer - m_position;
    const float q = glm::dot(d, d) * m_invScaleSq;
    if (q < DETAIL_THRESHOLDS[0])
        return 0;
    return q < DETAIL_THRESHOLDS[1] ? 1 : 2;
}

void Crystal::showDetail(int level)
{
    for (int k = 0; k < 3; ++k)
        m_lod[k]->m_visible = k == level;
}

bool Crystal::preRender(void*, Model* model, const glm::mat4&)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Shader* shader = model->m_meshes.empty() ? model->m_shader : model->m_meshes.front()->m_shader;
    if (shader) {
        glUseProgram(shader->m_program);
        shader->setUniform("alpha", gCrystalAlpha);
    }
    gCullingWasOn = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    glDisable(GL_CULL_FACE);
    return true;
}

void Crystal::postRender(void*, Model*, const glm::mat4&)
{
    glDisable(GL_BLEND);
    if (gCullingWasOn)
        glEnable(GL_CULL_FACE);
}
