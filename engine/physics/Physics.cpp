#include "physics/Physics.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "platform/PngCheck.h"

#include <BulletCollision/CollisionShapes/btHeightfieldTerrainShape.h>
#include <btBulletDynamicsCommon.h>
#include <IL/il.h>

#include <algorithm>
#include <cmath>

Physics* gPhysics = nullptr;

namespace {

// Both surfaces count equally: the average, not Bullet's product.
btScalar averageFriction(const btCollisionObject* a, const btCollisionObject* b)
{
    return (a->getFriction() + b->getFriction()) * btScalar(0.5);
}

btScalar averageRestitution(const btCollisionObject* a, const btCollisionObject* b)
{
    return (a->getRestitution() + b->getRestitution()) * btScalar(0.5);
}

// Bodies hitting slower than this do not bounce (length 1, speed 10 tolerances).
constexpr float bounceThreshold = 2.0f;

using dvec3 = glm::dvec3;

// True when the projections of a triangle onto `axis` all lie outside a box of half
// extents `h` centred at the origin with the frame's axes. Touching is not separation.
bool separatedOnAxis(const dvec3& axis, const dvec3& h, const dvec3& v0, const dvec3& v1, const dvec3& v2)
{
    const double p0 = glm::dot(v0, axis);
    const double p1 = glm::dot(v1, axis);
    const double p2 = glm::dot(v2, axis);
    const double r = h.x * std::fabs(axis.x) + h.y * std::fabs(axis.y) + h.z * std::fabs(axis.z);
    return std::min({p0, p1, p2}) > r || std::max({p0, p1, p2}) < -r;
}

// Triangle against a box centred at the origin, all in the box's frame.
bool triangleTouchesBox(const dvec3& h, const dvec3& v0, const dvec3& v1, const dvec3& v2)
{
    const dvec3 e[3] = {v1 - v0, v2 - v1, v0 - v2};
    const dvec3 axes[3] = {dvec3(1, 0, 0), dvec3(0, 1, 0), dvec3(0, 0, 1)};
    for (const dvec3& a : axes)
        if (separatedOnAxis(a, h, v0, v1, v2))
            return false;
    if (separatedOnAxis(glm::cross(e[0], e[1]), h, v0, v1, v2))
        return false;
    for (const dvec3& a : axes)
        for (const dvec3& edge : e)
            if (separatedOnAxis(glm::cross(a, edge), h, v0, v1, v2))
                return false;
    return true;
}

} // namespace

Physics::~Physics()
{
    release();
}

void Physics::init()
{
    if (m_inited)
        fatalError("Physics already inited");
    m_collision_config = new btDefaultCollisionConfiguration();
    m_dispatcher = new btCollisionDispatcher(m_collision_config);
    m_broadphase = new btDbvtBroadphase();
    m_solver = new btSequentialImpulseConstraintSolver();
    m_scene = new btDiscreteDynamicsWorld(m_dispatcher, m_broadphase, m_solver, m_collision_config);
    if (!m_scene)
        fatalError("Failed to initialize PhysX");
    m_scene->setGravity(btVector3(0.0f, -9.81f, 0.0f));
    m_scene->getSolverInfo().m_restitutionVelocityThreshold = bounceThreshold;
    gCalculateCombinedFrictionCallback = averageFriction;
    gCalculateCombinedRestitutionCallback = averageRestitution;

    m_material_a = new PhysicsMaterial{0.5f, 0.5f, 0.0f};
    m_material_b = new PhysicsMaterial{0.5f, 0.5f, 0.5f};
    m_inited = true;
}

void Physics::release()
{
    if (!m_inited)
        return;
    delete m_scene;
    m_scene = nullptr;
    delete m_solver;
    m_solver = nullptr;
    delete m_broadphase;
    m_broadphase = nullptr;
    delete m_dispatcher;
    m_dispatcher = nullptr;
    delete m_material_a;
    m_material_a = nullptr;
    delete m_material_b;
    m_material_b = nullptr;
    delete m_collision_config;
    m_collision_config = nullptr;
    m_inited = false;
}

void Physics::simulate(float dt)
{
    if (m_scene)
        m_scene->stepSimulation(dt, 0);
}

HeightFieldActor* Physics::loadHeightmap(const TerrainDef& terrain)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    const std::string path = resolvePath(gAssetsDir + "/textures/" + terrain.hf);
    if (!pngFileProblem(path).empty() || !ilLoadImage(path.c_str())) {
        ilDeleteImages(1, &image);
        fatalError("ERROR loading heightmap " + terrain.hf);
    }
    if (!ilConvertImage(IL_LUMINANCE, IL_UNSIGNED_SHORT)) {
        ilDeleteImages(1, &image);
        fatalError("ERROR loading heightmap (conversion) " + terrain.hf);
    }
    const int width = ilGetInteger(IL_IMAGE_WIDTH);
    const int height = ilGetInteger(IL_IMAGE_HEIGHT);
    if (width != height) {
        ilDeleteImages(1, &image);
        fatalError("Heightmap is not square");
    }
    if (width < 2) {
        ilDeleteImages(1, &image);
        fatalError("Heightmap " + terrain.hf + " needs at least 2 x 2 samples");
    }
    // A field without area or height range has no valid scale.
    const float range = terrain.max_height - terrain.min_height;
    if (!(terrain.extent > 0.0f) || !std::isfinite(terrain.extent) || !(range > 0.0f) || !std::isfinite(range)) {
        ilDeleteImages(1, &image);
        fatalError("Heightmap " + terrain.hf + " needs a positive terrain extent and height range");
    }

    auto* actor = new HeightFieldActor();
    HeightField& field = actor->field;
    field.n = width;
    const size_t count = static_cast<size_t>(width) * width;
    field.samples.resize(count);
    const auto* pixels = reinterpret_cast<const uint16_t*>(ilGetData());
    for (size_t i = 0; i < count; ++i)
        field.samples[i] = static_cast<int16_t>(static_cast<int>(pixels[i]) - 32768);
    ilDeleteImages(1, &image);

    field.heightScale = range / 65536.0f;
    field.rowScale = field.columnScale = terrain.extent / static_cast<float>(width - 1);
    const float middle = terrain.min_height + range / 2.0f;
    actor->pose.p = glm::vec3(-terrain.extent / 2.0f, middle, -terrain.extent / 2.0f);

    // Bullet centres the grid and the height range on the body's origin.
    const float minH = -32768.0f * field.heightScale;
    const float maxH = 32767.0f * field.heightScale;
    actor->shape = new btHeightfieldTerrainShape(width, width, reinterpret_cast<const short*>(field.samples.data()),
                                                 field.heightScale, minH, maxH, 1, false);
    actor->shape->setLocalScaling(btVector3(field.rowScale, 1.0f, field.columnScale));
    actor->shape->setMargin(0.0f);
    btRigidBody::btRigidBodyConstructionInfo info(0.0f, nullptr, actor->shape);
    actor->body = new btRigidBody(info);
    btTransform transform;
    transform.setIdentity();
    transform.setOrigin(btVector3(0.0f, middle + (minH + maxH) / 2.0f, 0.0f));
    actor->body->setWorldTransform(transform);
    applyMaterial(actor->body, *m_material_b);
    m_scene->addRigidBody(actor->body);
    return actor;
}

void Physics::releaseHeightmap(HeightFieldActor* actor)
{
    if (!actor)
        return;
    if (m_scene && actor->body)
        m_scene->removeRigidBody(actor->body);
    delete actor->body;
    delete actor->shape;
    delete actor;
}

void applyMaterial(btCollisionObject* object, const PhysicsMaterial& material)
{
    object->setFriction(material.dynamicFriction);
    object->setRestitution(material.restitution);
}

glm::mat4 toMat4(const Pose& pose)
{
    const float x = pose.q.x, y = pose.q.y, z = pose.q.z, w = pose.q.w;
    glm::mat4 m(1.0f);
    m[0] = glm::vec4(1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * z * w, 2 * x * z - 2 * y * w, 0);
    m[1] = glm::vec4(2 * x * y - 2 * z * w, 1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * x * w, 0);
    m[2] = glm::vec4(2 * x * z + 2 * y * w, 2 * y * z - 2 * x * w, 1 - 2 * x * x - 2 * y * y, 0);
    m[3] = glm::vec4(pose.p, 1.0f);
    return m;
}

Pose toPose(const btTransform& transform)
{
    const btQuaternion q = transform.getRotation();
    const btVector3& p = transform.getOrigin();
    Pose pose;
    pose.q = glm::quat(q.w(), q.x(), q.y(), q.z());
    pose.p = glm::vec3(p.x(), p.y(), p.z());
    return pose;
}

glm::mat4 toMat4(const btTransform& transform)
{
    return toMat4(toPose(transform));
}

btTransform toTransform(const Pose& pose)
{
    return btTransform(btQuaternion(pose.q.x, pose.q.y, pose.q.z, pose.q.w), btVector3(pose.p.x, pose.p.y, pose.p.z));
}

Pose poseFromMatrix(const glm::mat4& matrix)
{
    Pose pose;
    pose.q = glm::normalize(glm::quat_cast(glm::mat3(matrix)));
    pose.p = glm::vec3(matrix[3]);
    return pose;
}

bool overlapBoxes(const glm::vec3& halfA, const Pose& poseA, const glm::vec3& halfB, const Pose& poseB)
{
    const glm::dmat3 ra = glm::dmat3(glm::mat3_cast(poseA.q));
    const glm::dmat3 rb = glm::dmat3(glm::mat3_cast(poseB.q));
    const dvec3 a(halfA), b(halfB);
    // B's axes and centre in A's frame.
    double r[3][3], absR[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            r[i][j] = glm::dot(ra[i], rb[j]);
            // The small slack keeps nearly parallel edges from giving a null cross axis.
            absR[i][j] = std::fabs(r[i][j]) + 1e-12;
        }
    const dvec3 d = dvec3(poseB.p) - dvec3(poseA.p);
    const double t[3] = {glm::dot(d, ra[0]), glm::dot(d, ra[1]), glm::dot(d, ra[2])};

    // Each axis separates the boxes unless it shows them within reach: a distance or
    // reach that is not a number separates them, it never counts as touching.
    for (int i = 0; i < 3; ++i) {
        const double rB = b.x * absR[i][0] + b.y * absR[i][1] + b.z * absR[i][2];
        if (!(std::fabs(t[i]) <= a[i] + rB))
            return false;
    }
    for (int j = 0; j < 3; ++j) {
        const double rA = a.x * absR[0][j] + a.y * absR[1][j] + a.z * absR[2][j];
        const double tj = t[0] * r[0][j] + t[1] * r[1][j] + t[2] * r[2][j];
        if (!(std::fabs(tj) <= rA + b[j]))
            return false;
    }
    for (int i = 0; i < 3; ++i) {
        const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        for (int j = 0; j < 3; ++j) {
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            const double rA = a[i1] * absR[i2][j] + a[i2] * absR[i1][j];
            const double rB = b[j1] * absR[i][j2] + b[j2] * absR[i][j1];
            const double dist = t[i2] * r[i1][j] - t[i1] * r[i2][j];
            if (!(std::fabs(dist) <= rA + rB))
                return false;
        }
    }
    return true;
}

bool overlapBoxHeightField(const glm::vec3& half, const Pose& box, const HeightField& field, const Pose& fieldPose)
{
    if (field.n < 2)
        return false;
    // The box in the field's local frame.
    const glm::dquat fieldInv = glm::inverse(glm::dquat(fieldPose.q));
    const glm::dquat local = fieldInv * glm::dquat(box.q);
    const dvec3 centre = fieldInv * (dvec3(box.p) - dvec3(fieldPose.p));
    const glm::dmat3 axes = glm::mat3_cast(local);
    const dvec3 h(half);
    dvec3 reach(0.0);
    for (int i = 0; i < 3; ++i)
        reach += glm::abs(axes[i]) * h[i];

    // Cells under the box's footprint.
    const double rowScale = field.rowScale, colScale = field.columnScale;
    const int last = field.n - 1;
    const double r0 = std::floor((centre.x - reach.x) / rowScale);
    const double r1 = std::ceil((centre.x + reach.x) / rowScale);
    const double c0 = std::floor((centre.z - reach.z) / colScale);
    const double c1 = std::ceil((centre.z + reach.z) / colScale);
    if (!(r1 >= 0.0 && c1 >= 0.0 && r0 <= last && c0 <= last))
        return false;
    // One cell of slack on each side: a box lying on a grid line touches both cells.
    const int rowBegin = static_cast<int>(std::max(0.0, r0 - 1.0));
    const int rowEnd = static_cast<int>(std::min<double>(last - 1, r1));
    const int colBegin = static_cast<int>(std::max(0.0, c0 - 1.0));
    const int colEnd = static_cast<int>(std::min<double>(last - 1, c1));

    const glm::dmat3 toBox = glm::transpose(axes);
    auto vertex = [&](int r, int c) {
        const dvec3 p(r * rowScale, field.sample(r, c) * static_cast<double>(field.heightScale), c * colScale);
        return toBox * (p - centre);
    };
    for (int r = rowBegin; r <= rowEnd; ++r) {
        for (int c = colBegin; c <= colEnd; ++c) {
            const dvec3 v0 = vertex(r, c), v1 = vertex(r, c + 1), v2 = vertex(r + 1, c), v3 = vertex(r + 1, c + 1);
            // The cell splits along the diagonal from (r, c + 1) to (r + 1, c).
            if (triangleTouchesBox(h, v0, v1, v2) || triangleTouchesBox(h, v1, v3, v2))
                return true;
        }
    }
    return false;
}
