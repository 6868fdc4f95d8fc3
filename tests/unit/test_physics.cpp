#include "platform/AssetFiles.h"
#include "ChildProcess.h"
#include "Heightmaps.h"
#include "physics/Physics.h"
#include "TempDir.h"

#include <BulletCollision/CollisionShapes/btHeightfieldTerrainShape.h>
#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include <fstream>
#include <vector>

namespace {

class PhysicsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ilInit();
        m_savedAssets = gAssetsDir;
        gAssetsDir = m_dir.path().string();
        std::filesystem::create_directories(m_dir.path() / "textures");
        m_physics.init();
    }
    void TearDown() override
    {
        m_physics.release();
        gAssetsDir = m_savedAssets;
    }

    std::string texture(const std::string& name) const { return (m_dir.path() / "textures" / name).string(); }

    // World height of the Bullet body straight below (x, z), or NaN when the ray misses.
    float rayHeight(float x, float z) const
    {
        const btVector3 from(x, 1000.0f, z), to(x, -1000.0f, z);
        btCollisionWorld::ClosestRayResultCallback hit(from, to);
        m_physics.m_scene->rayTest(from, to, hit);
        return hit.hasHit() ? hit.m_hitPointWorld.y() : NAN;
    }

    TempDir m_dir;
    std::string m_savedAssets;
    Physics m_physics;
};

TerrainDef terrain(const std::string& hf, float extent, float minHeight, float maxHeight)
{
    TerrainDef t;
    t.hf = hf;
    t.extent = extent;
    t.min_height = minHeight;
    t.max_height = maxHeight;
    return t;
}

Pose pose(glm::vec3 p, float angle = 0.0f, glm::vec3 axis = glm::vec3(0, 1, 0))
{
    Pose result;
    result.p = p;
    result.q = glm::angleAxis(angle, glm::normalize(axis));
    return result;
}

} // namespace

TEST_F(PhysicsTest, ContextInitOnceReleaseTwice)
{
    EXPECT_TRUE(m_physics.m_inited);
    ASSERT_NE(m_physics.m_scene, nullptr);
    EXPECT_FLOAT_EQ(m_physics.m_scene->getGravity().y(), -9.81f);
    EXPECT_FLOAT_EQ(m_physics.m_material_b->restitution, 0.5f);
    EXPECT_FLOAT_EQ(m_physics.m_material_a->restitution, 0.0f);
    EXPECT_TRUE(m_physics.m_fixed_step);

    const ChildResult twice = runInChild([this] { m_physics.init(); });
    EXPECT_EQ(twice.exitCode, 255);
    EXPECT_NE(twice.output.find("ERROR: Physics already inited\n"), std::string::npos);

    Physics other;
    other.init();
    other.release();
    other.release();
    EXPECT_FALSE(other.m_inited);
    EXPECT_EQ(other.m_scene, nullptr);
}

TEST_F(PhysicsTest, PoseMatrices)
{
    EXPECT_EQ(toMat4(pose(glm::vec3(1, 2, 3))), glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3)));
    const Pose turned = pose(glm::vec3(4, 5, 6), 1.1f, glm::vec3(1, 2, 3));
    const glm::mat4 expected = glm::translate(glm::mat4(1.0f), turned.p) * glm::mat4_cast(turned.q);
    const glm::mat4 m = toMat4(turned);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(m[c][r], expected[c][r], 1e-6f);
    const Pose back = poseFromMatrix(m);
    EXPECT_NEAR(std::fabs(glm::dot(back.q, turned.q)), 1.0f, 1e-6f);
    EXPECT_EQ(back.p, turned.p);
    const glm::mat4 viaBullet = toMat4(toTransform(turned));
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(viaBullet[c][r], expected[c][r], 1e-6f);
}

TEST_F(PhysicsTest, HeightmapBodyMatchesTheImage)
{
    // Mostly 0, one corner sample at the top value, one ramp along the top rows.
    writeHeightmap(texture("hf.png"), 257, 257, [](int x, int y) -> uint16_t {
        if (x == 10 && y == 20)
            return 65535;
        return 0;
    });
    HeightFieldActor* actor = m_physics.loadHeightmap(terrain("hf.png", 512.0f, -10.0f, 90.0f));
    const HeightField& f = actor->field;
    EXPECT_EQ(f.n, 257);
    EXPECT_FLOAT_EQ(f.rowScale, 2.0f);
    EXPECT_FLOAT_EQ(f.columnScale, 2.0f);
    EXPECT_FLOAT_EQ(f.heightScale, 100.0f / 65536.0f);
    EXPECT_EQ(f.sample(10, 20), 32767); // row = image x, column = image y
    EXPECT_EQ(f.sample(20, 10), -32768);
    EXPECT_EQ(actor->pose.p, glm::vec3(-256.0f, 40.0f, -256.0f));

    // The body spans -256..256; value 0 lies at the minimum height, 65535 one step below the top.
    EXPECT_NEAR(rayHeight(100.0f, 100.0f), -10.0f, 1e-3f);
    EXPECT_NEAR(rayHeight(-256.0f + 20.0f, -256.0f + 40.0f), 90.0f - 100.0f / 65536.0f, 1e-3f);
    EXPECT_NEAR(rayHeight(-255.9f, 255.9f), -10.0f, 1e-3f);
    EXPECT_TRUE(std::isnan(rayHeight(257.0f, 0.0f)));

    // Inside a cell the surface follows the diagonal from (r, c + 1) to (r + 1, c): in
    // the cell whose far corner is the peak, only the triangle at that corner rises.
    EXPECT_NEAR(rayHeight(-236.5f, -216.5f), -10.0f + 100.0f * 0.5f, 0.01f);
    EXPECT_NEAR(rayHeight(-237.5f, -217.5f), -10.0f, 0.01f);

    m_physics.releaseHeightmap(actor);
    EXPECT_EQ(m_physics.m_scene->getNumCollisionObjects(), 0);
}

TEST_F(PhysicsTest, BadHeightmapsEndTheProgram)
{
    writeHeightmap(texture("wide.png"), 256, 128, [](int, int) { return uint16_t(0); });
    writeHeightmap(texture("dot.png"), 1, 1, [](int, int) { return uint16_t(0); });
    // A chunk header claiming about 1 GB appended to a sound heightmap.
    writeHeightmap(texture("claims.png"), 64, 64, [](int, int) { return uint16_t(0); });
    std::ofstream(texture("claims.png"), std::ios::binary | std::ios::app) << std::string("\x3b\x9a\xca\x00IDAT", 8);
    const struct {
        TerrainDef t;
        std::string message;
    } cases[] = {
        {terrain("wide.png", 512, 0, 1), "ERROR: Heightmap is not square\n"},
        {terrain("dot.png", 512, 0, 1), "needs at least 2 x 2 samples"},
        {terrain("missing.png", 512, 0, 1), "ERROR: ERROR loading heightmap missing.png\n"},
        {terrain("claims.png", 512, 0, 1), "ERROR: ERROR loading heightmap claims.png\n"},
    };
    for (const auto& c : cases) {
        const ChildResult r = runInChild([&] { m_physics.loadHeightmap(c.t); });
        EXPECT_EQ(r.exitCode, 255);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
}

TEST_F(PhysicsTest, BoxAgainstHeightFieldSurface)
{
    // A 9 x 9 field, 2 units apart, with a ridge at row 4 (x = 0).
    writeHeightmap(texture("ridge.png"), 9, 9, [](int x, int) { return uint16_t(x == 4 ? 65535 : 0); });
    HeightFieldActor* actor = m_physics.loadHeightmap(terrain("ridge.png", 16.0f, 0.0f, 8.0f));
    const HeightField& f = actor->field;
    const glm::vec3 half(0.5f);
    auto hits = [&](glm::vec3 p, float angle = 0.0f) {
        return overlapBoxHeightField(half, pose(p, angle, glm::vec3(1, 1, 0)), f, actor->pose);
    };
    EXPECT_FALSE(hits(glm::vec3(-5.0f, 1.0f, 0.0f)));  // above the flat part
    EXPECT_TRUE(hits(glm::vec3(-5.0f, 0.3f, 0.0f)));   // across it
    EXPECT_TRUE(hits(glm::vec3(-5.0f, 0.5f, 0.0f)));   // touching counts
    EXPECT_FALSE(hits(glm::vec3(-5.0f, -1.0f, 0.0f))); // wholly below the surface
    EXPECT_TRUE(hits(glm::vec3(0.0f, 7.8f, 0.0f)));    // on the ridge top
    EXPECT_FALSE(hits(glm::vec3(0.0f, 9.0f, 0.0f)));
    EXPECT_FALSE(hits(glm::vec3(0.0f, 3.0f, 0.0f)));   // buried inside the ridge
    EXPECT_TRUE(hits(glm::vec3(-1.2f, 3.0f, 0.0f)));   // cutting the ridge's flank
    EXPECT_FALSE(hits(glm::vec3(9.0f, 0.0f, 0.0f)));   // beyond the footprint
    EXPECT_TRUE(hits(glm::vec3(8.3f, 0.0f, 0.0f)));    // hanging over the edge
    EXPECT_TRUE(hits(glm::vec3(-5.0f, 0.65f, 0.0f), 0.785398f)); // a turned box reaches further down
    EXPECT_FALSE(hits(glm::vec3(NAN, 0.0f, 0.0f)));
    m_physics.releaseHeightmap(actor);
}

TEST(OverlapBoxes, SeparatingAxes)
{
    const glm::vec3 unit(1.0f);
    EXPECT_TRUE(overlapBoxes(unit, pose(glm::vec3(0)), unit, pose(glm::vec3(1.5f, 0, 0))));
    EXPECT_TRUE(overlapBoxes(unit, pose(glm::vec3(0)), unit, pose(glm::vec3(2.0f, 0, 0)))); // touching
    EXPECT_FALSE(overlapBoxes(unit, pose(glm::vec3(0)), unit, pose(glm::vec3(2.01f, 0, 0))));
    // A box whose place or size is not a number touches nothing.
    EXPECT_FALSE(overlapBoxes(unit, pose(glm::vec3(0)), glm::vec3(NAN, 1.0f, 1.0f), pose(glm::vec3(NAN, 0, 0))));
    // Turned 45 degrees about y, the second box reaches sqrt(2) along x.
    EXPECT_TRUE(overlapBoxes(unit, pose(glm::vec3(0)), unit, pose(glm::vec3(2.4f, 0, 0), 0.785398f)));
    EXPECT_FALSE(overlapBoxes(unit, pose(glm::vec3(0)), unit, pose(glm::vec3(2.45f, 0, 0), 0.785398f)));
    // Edge against edge: only a cross axis separates these two.
    const Pose a = pose(glm::vec3(0), 0.785398f, glm::vec3(0, 0, 1));
    const Pose b = pose(glm::vec3(2.0f, 2.0f, 0.0f), 0.785398f, glm::vec3(1, 0, 0));
    EXPECT_FALSE(overlapBoxes(glm::vec3(1.0f, 1.0f, 0.1f), a, glm::vec3(0.1f, 1.0f, 1.0f), b));
    EXPECT_TRUE(overlapBoxes(glm::vec3(1.0f, 1.0f, 0.1f), a, glm::vec3(0.1f, 1.0f, 1.0f),
                             pose(glm::vec3(0.5f, 0.5f, 0.0f), 0.785398f, glm::vec3(1, 0, 0))));
}

TEST_F(PhysicsTest, BodiesCombineMaterialsByAverage)
{
    writeHeightmap(texture("flat.png"), 9, 9, [](int, int) { return uint16_t(0); });
    HeightFieldActor* actor = m_physics.loadHeightmap(terrain("flat.png", 16.0f, 0.0f, 8.0f));
    btSphereShape sphere(0.5f);
    btVector3 inertia;
    sphere.calculateLocalInertia(1.0f, inertia);
    btRigidBody ball(btRigidBody::btRigidBodyConstructionInfo(1.0f, nullptr, &sphere, inertia));
    ball.setWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(0, 5.0f, 0)));
    applyMaterial(&ball, PhysicsMaterial{0.5f, 0.5f, 0.3f});
    m_physics.m_scene->addRigidBody(&ball);
    for (int i = 0; i < 600; ++i)
        m_physics.simulate(1.0f / 60.0f);
    // It bounced, settled, and rests on the surface with no margin in between.
    EXPECT_NEAR(ball.getWorldTransform().getOrigin().y(), 0.5f, 0.02f);
    EXPECT_FLOAT_EQ(gCalculateCombinedRestitutionCallback(&ball, actor->body), 0.4f);
    EXPECT_FLOAT_EQ(gCalculateCombinedFrictionCallback(&ball, actor->body), 0.5f);
    m_physics.m_scene->removeRigidBody(&ball);
    m_physics.releaseHeightmap(actor);
}
