// Crystal formations: static, translucent obstacles with three detail levels and one
// static physics box each. Touching one is a collision for the lander.
#pragma once

#include "physics/Physics.h"
#include "scene/Material.h"

#include <glm/glm.hpp>

class btCollisionObject;
class btCompoundShape;
class btBoxShape;
class Model;
struct CrystalDef;

// The level's crystal colours, given to every mesh of the templates.
extern Material gCrystalMaterial;
// Opacity of the crystals (the level's crystal_alpha).
extern float gCrystalAlpha;

class Crystal {
public:
    // def: world coordinates (the level's pixel coordinates already converted).
    explicit Crystal(const CrystalDef* def);
    ~Crystal();
    Crystal(const Crystal&) = delete;
    Crystal& operator=(const Crystal&) = delete;

    // Builds the templates once per level; every constructor calls it.
    static void initTemplates();
    static void destroyTemplates();
    // How far the box of a crystal of that scale reaches from its base point at most,
    // however it is turned.
    static double boxReach(float scale);

    // 0 near, 1 farther, 2 far: by squared distance over squared scale against 900
    // and 10000.
    int detailFor(const glm::vec3& viewer) const;
    // Shows exactly the model of that level.
    void showDetail(int level);

    static bool preRender(void* crystal, Model* model, const glm::mat4& projView);
    static void postRender(void* crystal, Model* model, const glm::mat4& projView);

    Model* m_lod[3] = {nullptr, nullptr, nullptr};
    glm::vec3 m_position = glm::vec3(0.0f);
    float m_invScaleSq = 1.0f;

    // The physics box, scaled with the crystal: half extents and the pose of its centre.
    glm::vec3 m_boxHalf = glm::vec3(0.0f);
    Pose m_boxPose;
    btCollisionObject* m_actor = nullptr; // "CrystalActor", owned with its shapes
    btCompoundShape* m_shape = nullptr;
    btBoxShape* m_box = nullptr;
};
