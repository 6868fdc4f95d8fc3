// The program's one physics context: a Bullet dynamics world stepped on the main
// thread, the two shared surface materials, the terrain's height-field body, and the
// exact overlap tests the game's contact logic asks for.
#pragma once

#include "physics/TerrainDef.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstdint>
#include <vector>

class btBroadphaseInterface;
class btCollisionDispatcher;
class btCollisionObject;
class btDefaultCollisionConfiguration;
class btDiscreteDynamicsWorld;
class btHeightfieldTerrainShape;
class btRigidBody;
class btSequentialImpulseConstraintSolver;
class btTransform;

// Friction and restitution of a surface. Two touching surfaces combine each value as
// the average of the two.
struct PhysicsMaterial {
    float staticFriction = 0.5f;
    float dynamicFriction = 0.5f;
    float restitution = 0.0f;
};

// A rigid pose: rotation (unit quaternion) and position.
struct Pose {
    glm::quat q = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    glm::vec3 p = glm::vec3(0.0f);
};

// Heights of a square terrain field. In its local frame the sample of row r and column
// c lies at (r * rowScale, sample * heightScale, c * columnScale); rows run along the
// heightmap's x axis, columns along its y axis.
struct HeightField {
    int n = 0; // samples per side
    // The heightmap's 16-bit values minus 32768, in the image's own order: the sample of
    // row r and column c is samples[c * n + r]. The dynamics world reads this buffer.
    std::vector<int16_t> samples;
    float heightScale = 0.0f;
    float rowScale = 0.0f;
    float columnScale = 0.0f;

    float sample(int row, int column) const { return samples[static_cast<size_t>(column) * n + row]; }
};

// The terrain's static body together with the heights it stands on. The body, its
// shape and the samples live and die together (Bullet does not copy the samples).
struct HeightFieldActor {
    HeightField field;
    Pose pose; // of the field's local frame
    btHeightfieldTerrainShape* shape = nullptr;
    btRigidBody* body = nullptr;
};

class Physics {
public:
    Physics() = default;
    ~Physics();
    Physics(const Physics&) = delete;
    Physics& operator=(const Physics&) = delete;

    // Creates the world and the materials; a second call is fatal.
    void init();
    // Frees everything init made; does nothing when not initialised.
    void release();
    // Advances the scene by exactly dt seconds in one step.
    void simulate(float dt);

    // Builds the terrain's static height-field body from terrain.hf and adds it to the
    // scene. Fatal when the image cannot be loaded, is not square or is too small.
    HeightFieldActor* loadHeightmap(const TerrainDef& terrain);
    // Takes the body out of the scene and frees it with its shape and samples.
    void releaseHeightmap(HeightFieldActor* actor);

    btDiscreteDynamicsWorld* m_scene = nullptr;
    PhysicsMaterial* m_material_a = nullptr; // 0.5, 0.5, 0.0
    PhysicsMaterial* m_material_b = nullptr; // 0.5, 0.5, 0.5: the terrain
    btDefaultCollisionConfiguration* m_collision_config = nullptr;
    btCollisionDispatcher* m_dispatcher = nullptr;
    btBroadphaseInterface* m_broadphase = nullptr;
    btSequentialImpulseConstraintSolver* m_solver = nullptr;
    bool m_fixed_step = true;    // the game steps the scene in fixed steps of 1/60 s
    float m_accumulator = 0.0f;  // frame time not yet simulated, kept by the game
    bool m_inited = false;
};

extern Physics* gPhysics;

// Gives a body a material's friction and restitution.
void applyMaterial(btCollisionObject* object, const PhysicsMaterial& material);

// Model matrix of a pose.
glm::mat4 toMat4(const Pose& pose);
glm::mat4 toMat4(const btTransform& transform);
Pose toPose(const btTransform& transform);
btTransform toTransform(const Pose& pose);
// A pose from a rigid matrix: the rotation of its upper 3x3 part and its translation.
Pose poseFromMatrix(const glm::mat4& matrix);

// True when two boxes (half extents, poses of their centres) overlap; touching counts.
bool overlapBoxes(const glm::vec3& halfA, const Pose& poseA, const glm::vec3& halfB, const Pose& poseB);

// True when a box touches the surface of a height field (within its footprint): a box
// wholly above or wholly below the surface does not overlap it.
bool overlapBoxHeightField(const glm::vec3& half, const Pose& box, const HeightField& field, const Pose& fieldPose);
