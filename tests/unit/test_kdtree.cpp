#include "scene/Camera.h"
#include "scene/Geometry.h"
#include "scene/KDTree.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "level/TerrainPatches.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <vector>

namespace {

CullingEntity boxEntity(uintptr_t id, glm::vec3 centre, glm::vec3 half)
{
    CullingEntity e;
    e.id = id;
    e.isSphere = 0;
    e.center = centre;
    e.extent = half;
    return e;
}

CullingEntity sphereEntity(uintptr_t id, glm::vec3 centre, float radius)
{
    CullingEntity e;
    e.id = id;
    e.isSphere = 1;
    e.center = centre;
    e.extent = glm::vec3(radius, 0.0f, 0.0f);
    return e;
}

// The game's tree over a 1000 x 1000 level from y 0 to 100.
std::unique_ptr<KDTree> gameTree()
{
    auto tree = std::make_unique<KDTree>(glm::vec3(-500.0f, 0.0f, -500.0f), glm::vec3(500.0f, 100.0f, 500.0f));
    tree->minDepth = 0;
    tree->maxDepth = 20;
    tree->minExtent = 10.0f;
    tree->keepExtent = 200.0f;
    tree->strategy = 2;
    return tree;
}

// Brute force: the entity (a sphere as its bounding cube) lies wholly outside one of
// the six clip planes of viewProj.
bool bruteForceVisible(const glm::mat4& viewProj, const CullingEntity& e)
{
    const glm::vec3 h = e.isSphere ? glm::vec3(e.extent.x) : e.extent;
    for (int p = 0; p < 6; ++p) {
        const int axis = p / 2;
        const float sign = (p % 2 == 0) ? 1.0f : -1.0f;
        bool allOutside = true;
        for (int c = 0; c < 8 && allOutside; ++c) {
            const glm::vec3 corner =
                e.center + glm::vec3((c & 1) ? h.x : -h.x, (c & 2) ? h.y : -h.y, (c & 4) ? h.z : -h.z);
            const glm::vec4 clip = viewProj * glm::vec4(corner, 1.0f);
            allOutside = clip.w + sign * clip[axis] < 0.0f;
        }
        if (allOutside)
            return false;
    }
    return true;
}

std::set<uintptr_t> visibleIds(const KDTree& tree, const std::vector<CullingEntity>& entities, bool precise)
{
    std::set<uintptr_t> ids;
    for (const CullingEntity& e : entities)
        if (tree.isVisible(&e, precise))
            ids.insert(e.id);
    return ids;
}

void clearTree(KDTree& tree, std::vector<CullingEntity>& entities)
{
    for (CullingEntity& e : entities) {
        if (e.node) {
            EXPECT_TRUE(tree.root->removeEntity(&e));
        }
    }
}

} // namespace

TEST(KDTree, KnownSceneGivesTheExactVisibleSet)
{
    auto tree = gameTree();
    std::vector<CullingEntity> entities = {
        boxEntity(1, {0, 10, -50}, {5, 5, 5}),      // straight ahead
        boxEntity(2, {0, 10, 50}, {5, 5, 5}),       // behind the camera
        boxEntity(3, {-200, 10, -100}, {5, 5, 5}),  // far to the left
        boxEntity(4, {48, 10, -50}, {5, 5, 5}),     // across the right edge
        sphereEntity(5, {0, 10, -250}, 10.0f),      // beyond the far plane
        sphereEntity(6, {20, 20, -150}, 3.0f),      // inside, far
        boxEntity(7, {0, 10, -5.5f}, {1, 1, 1}),    // in front of the near plane
    };
    for (CullingEntity& e : entities)
        tree->root->addEntity(&e);
    tree->rebuild();
    EXPECT_FALSE(tree->root->isLeaf());

    // a box-shaped view volume: x -50..50, y -40..60, z -200..-10 in the world
    const glm::mat4 view = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, -10.0f, 0.0f));
    const glm::mat4 viewProj = glm::ortho(-50.0f, 50.0f, -50.0f, 50.0f, 10.0f, 200.0f) * view;
    tree->cull(viewProj);
    EXPECT_EQ(visibleIds(*tree, entities, true), (std::set<uintptr_t>{1, 4, 6}));
    // without the per-entity test only whole nodes are rejected
    const std::set<uintptr_t> coarse = visibleIds(*tree, entities, false);
    for (uintptr_t id : {1, 4, 6})
        EXPECT_TRUE(coarse.count(id));

    // move entity 1 out to the right and entity 3 into view
    for (uintptr_t id : {1, 3}) {
        CullingEntity& e = entities[id - 1];
        ASSERT_TRUE(tree->root->removeEntity(&e));
        e.center = id == 1 ? glm::vec3(300.0f, 10.0f, -50.0f) : glm::vec3(-20.0f, 10.0f, -100.0f);
        tree->root->addEntity(&e);
    }
    tree->cull(viewProj);
    EXPECT_EQ(visibleIds(*tree, entities, true), (std::set<uintptr_t>{3, 4, 6}));

    tree->rebuild();
    tree->cull(viewProj);
    EXPECT_EQ(visibleIds(*tree, entities, true), (std::set<uintptr_t>{3, 4, 6}));
    clearTree(*tree, entities);
}

TEST(KDTree, AgreesWithBruteForceOverRandomScenes)
{
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int strategy = 0; strategy < 3; ++strategy) {
        for (int scene = 0; scene < 10; ++scene) {
            auto tree = gameTree();
            tree->strategy = strategy;
            std::vector<CullingEntity> entities(300);
            for (size_t i = 0; i < entities.size(); ++i) {
                const float size = 1.0f + 20.0f * unit(random) * unit(random);
                const glm::vec3 centre(-470.0f + 940.0f * unit(random), 5.0f + 90.0f * unit(random),
                                       -470.0f + 940.0f * unit(random));
                entities[i] = (i % 3 == 0) ? sphereEntity(i + 1, centre, std::min(size, 4.9f))
                                           : boxEntity(i + 1, centre, glm::vec3(size, 4.0f, size * 0.5f));
                tree->root->addEntity(&entities[i]);
            }
            tree->rebuild();
            for (int view = 0; view < 5; ++view) {
                Camera camera;
                camera.fov = 0.6f + unit(random);
                camera.aspect = 1.6f;
                camera.near = 0.5f;
                camera.far = 100.0f + 600.0f * unit(random);
                camera.phi = 6.28f * unit(random);
                camera.theta = -0.8f + 1.6f * unit(random);
                camera.r = 10.0f;
                camera.focus = glm::vec3(-400.0f + 800.0f * unit(random), 50.0f, -400.0f + 800.0f * unit(random));
                const glm::mat4 viewProj = camera.getProjection() * camera.getViewMatrix();
                tree->cull(viewProj);
                size_t expected = 0, precise = 0;
                for (const CullingEntity& e : entities) {
                    const bool truth = bruteForceVisible(viewProj, e);
                    expected += truth;
                    precise += tree->isVisible(&e, true);
                    EXPECT_EQ(tree->isVisible(&e, true), truth) << "entity " << e.id;
                    if (truth) {
                        EXPECT_TRUE(tree->isVisible(&e, false)) << "entity " << e.id;
                    }
                }
                EXPECT_EQ(precise, expected);
            }
            clearTree(*tree, entities);
        }
    }
}

TEST(KDTree, SplitsFollowTheGameSettings)
{
    // an entity touching the root's split plane (x = 0) stays in the root; the root,
    // 1000 units wide, is split at its middle and keeps both children though they are empty
    auto tree = gameTree();
    CullingEntity touching = boxEntity(1, {-5, 10, 0}, {5, 5, 5});
    tree->root->addEntity(&touching);
    tree->rebuild();
    EXPECT_EQ(touching.node, tree->root);
    EXPECT_FLOAT_EQ(tree->root->split, 0.0f);
    ASSERT_FALSE(tree->root->isLeaf());
    EXPECT_TRUE(tree->root->lower->isLeaf() && tree->root->lower->entities.empty());
    EXPECT_TRUE(tree->root->upper->isLeaf() && tree->root->upper->entities.empty());
    EXPECT_EQ(tree->nextId, 3);

    CullingEntity clear = boxEntity(2, {-100, 10, -100}, {5, 5, 5});
    tree->root->addEntity(&clear);
    tree->rebuild();
    EXPECT_EQ(touching.node, tree->root);
    ASSERT_NE(clear.node, tree->root);
    EXPECT_GE(clear.node->depth, 2);
    std::vector<KDNode*> nodes;
    tree->root->collectNodes(nodes);
    EXPECT_EQ(nodes.back(), tree->root);
    EXPECT_EQ(static_cast<int>(nodes.size()), tree->nextId);
    std::set<int> ids;
    for (KDNode* node : nodes)
        ids.insert(node->id);
    EXPECT_EQ(ids.size(), nodes.size());
    ASSERT_TRUE(tree->root->removeEntity(&touching));
    ASSERT_TRUE(tree->root->removeEntity(&clear));

    // a node exactly minExtent wide stays a leaf; so does one at maxDepth
    KDTree small(glm::vec3(0.0f), glm::vec3(10.0f));
    CullingEntity inside = boxEntity(3, {2, 2, 2}, {1, 1, 1});
    small.root->addEntity(&inside);
    small.rebuild();
    EXPECT_TRUE(small.root->isLeaf());
    small.minExtent = 1.0f;
    small.maxDepth = 0;
    small.rebuild();
    EXPECT_TRUE(small.root->isLeaf());
    EXPECT_TRUE(small.root->removeEntity(&inside));

    // every entity straddling a split that need not be kept: the root stays a leaf
    KDTree narrow(glm::vec3(0.0f), glm::vec3(100.0f));
    CullingEntity a = boxEntity(4, {50, 50, 50}, {10, 10, 10}), b = boxEntity(5, {45, 20, 20}, {8, 1, 1});
    narrow.root->addEntity(&a);
    narrow.root->addEntity(&b);
    narrow.rebuild();
    EXPECT_TRUE(narrow.root->isLeaf());
    EXPECT_EQ(narrow.root->entities.size(), 2u);
    EXPECT_TRUE(narrow.root->removeEntity(&a));
    EXPECT_TRUE(narrow.root->removeEntity(&b));
}

TEST(KDTree, SplitPositionStrategies)
{
    KDTree tree(glm::vec3(0.0f), glm::vec3(100.0f));
    CullingEntity one = boxEntity(1, {15, 50, 50}, {5, 5, 5});
    tree.root->addEntity(&one);
    EXPECT_FLOAT_EQ(tree.root->findSplitByCost(), 9.9f);
    EXPECT_FLOAT_EQ(tree.root->findSplitMedian(), 15.0f);
    EXPECT_FLOAT_EQ(tree.root->findSplitMiddle(), 50.0f);

    CullingEntity e5 = boxEntity(2, {5, 0, 0}, {1, 1, 1}), e9 = boxEntity(3, {9, 0, 0}, {1, 1, 1});
    CullingEntity e1 = boxEntity(4, {1, 0, 0}, {1, 1, 1});
    tree.root->removeEntity(&one);
    for (CullingEntity* e : {&e5, &e9, &e1})
        tree.root->addEntity(e);
    EXPECT_FLOAT_EQ(tree.root->findSplitMedian(), 3.0f);
    CullingEntity e13 = boxEntity(5, {13, 0, 0}, {1, 1, 1});
    tree.root->addEntity(&e13);
    EXPECT_FLOAT_EQ(tree.root->findSplitMedian(), 7.0f);
    for (CullingEntity* e : {&e5, &e9, &e1, &e13})
        EXPECT_TRUE(tree.root->removeEntity(e));
}

TEST(KDTree, VisibilityOfEntitiesTheTreeDoesNotHold)
{
    auto tree = gameTree();
    CullingEntity far = boxEntity(1, {400, 10, 400}, {5, 5, 5});
    tree->root->addEntity(&far);
    tree->rebuild();
    const glm::mat4 viewProj = glm::ortho(-50.0f, 50.0f, -50.0f, 50.0f, 1.0f, 100.0f);
    tree->cull(viewProj);
    EXPECT_EQ(far.node->state, OUTSIDE);
    EXPECT_FALSE(tree->isVisible(&far, false));

    EXPECT_TRUE(tree->isVisible(nullptr, true));
    CullingEntity neverAdded = boxEntity(2, {400, 10, 400}, {5, 5, 5});
    EXPECT_TRUE(tree->isVisible(&neverAdded, true)); // no node: nothing says it is hidden

    testing::internal::CaptureStdout();
    EXPECT_TRUE(tree->root->removeEntity(&far));
    EXPECT_FALSE(tree->root->removeEntity(&far));
    EXPECT_TRUE(tree->isVisible(&far, false));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("WARN: culling entity to remove not found in kdTree"),
              std::string::npos);

    CullingEntity first = boxEntity(7, {0, 10, 0}, {1, 1, 1}), impostor = first;
    tree->root->addEntity(&first);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(tree->root->removeEntity(&impostor));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("found identifier, but entity does not match"),
              std::string::npos);
    EXPECT_TRUE(tree->root->removeEntity(&first));
}

TEST(KDTree, PrintShowsNodesAndNamedEntities)
{
    Model model(new Mesh(new BoxGeometry(1.0f, 1.0f, 1.0f), glm::mat4(1.0f), Material(), 0, 0, 0, nullptr));
    model.m_name = "Rock";
    auto tree = gameTree();
    CullingEntity e = boxEntity(reinterpret_cast<uintptr_t>(&model), {-5, 10, 0}, {5, 5, 5});
    tree->root->addEntity(&e);
    tree->rebuild();
    testing::internal::CaptureStdout();
    tree->root->print("");
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "R id 0 plane x=0 rng[-500.000000 0.000000 -500.000000]-[500.000000 100.000000 500.000000]");
    EXPECT_NE(text.find("  node INSIDE\n  [ B(\"Rock\" c:[-5.000000 10.000000 0.000000],h:[5.000000 5.000000 "
                        "5.000000]) ]\n"),
              std::string::npos);
    EXPECT_NE(text.find("RL id 1 plane y="), std::string::npos);
    EXPECT_TRUE(tree->root->removeEntity(&e));
}

namespace {

// A flat terrain of 4 x 4 patches of side 10 at height 5 (samples half way between the
// heights 0 and 10); its grid runs from (0, 0) to (40, 40).
void buildFlatPatches(TerrainPatches* patches)
{
    const std::vector<uint16_t> samples(17 * 17, 32768);
    patches->build(samples.data(), 17, 17, 4, 4, 10.0f, 0.0f, 10.0f);
}

glm::mat4 viewFrom(const glm::vec3& eye, const glm::vec3& at, float aspect)
{
    const glm::vec3 up = std::fabs(at.x - eye.x) + std::fabs(at.z - eye.z) < 1e-3f ? glm::vec3(0, 0, 1) : glm::vec3(0, 1, 0);
    return glm::perspective(glm::radians(60.0f), aspect, 0.5f, 1000.0f) * glm::lookAt(eye, at, up);
}

} // namespace

TEST(TerrainPatches, EveryPatchInViewIsDrawnNearestFirst)
{
    TerrainPatches patches;
    buildFlatPatches(&patches);
    const std::pair<glm::vec3, glm::vec3> views[] = {
        {{20, 30, -15}, {20, 5, 20}}, {{5, 8, 5}, {40, 5, 30}}, {{60, 50, 60}, {0, 0, 0}}, {{20, 40, 20}, {20, 5, 20}}};
    for (const auto& [eye, at] : views) {
        const glm::mat4 mvp = viewFrom(eye, at, 1.5f);
        std::vector<int32_t> order;
        patches.select(mvp, eye, &order);
        const std::set<int32_t> chosen(order.begin(), order.end());
        EXPECT_EQ(chosen.size(), order.size());
        // A patch with any point of its ground inside the view must be drawn.
        for (int index = 0; index < 16; ++index) {
            bool seen = false;
            for (float u = 0.0f; u <= 1.0f && !seen; u += 0.1f) {
                for (float v = 0.0f; v <= 1.0f && !seen; v += 0.1f) {
                    const glm::vec4 c = mvp * glm::vec4((index % 4 + u) * 10.0f, 5.0f, (index / 4 + v) * 10.0f, 1.0f);
                    seen = c.w > 0.0f && std::fabs(c.x) <= c.w && std::fabs(c.y) <= c.w && std::fabs(c.z) <= c.w;
                }
            }
            if (seen) {
                EXPECT_TRUE(chosen.count(index)) << "patch " << index << " seen from " << eye.x << "," << eye.y;
            }
        }
        // Nearest first: distances from the eye to the patch squares never fall.
        float last = 0.0f;
        for (int32_t index : order) {
            const glm::vec3 lo((index % 4) * 10.0f, 5.0f, (index / 4) * 10.0f);
            const float d = glm::distance(glm::clamp(eye, lo, lo + glm::vec3(10, 0, 10)), eye);
            EXPECT_GE(d, last - 1e-3f);
            last = d;
        }
    }
}

TEST(TerrainPatches, SkyIsLeftOutOnlyWhereTheGroundCoversTheWindow)
{
    TerrainPatches patches;
    buildFlatPatches(&patches);
    const glm::ivec2 window(96, 64);
    struct View {
        glm::vec3 eye, at;
        bool told;      // whether the cover can be told from there
        bool allGround; // whether the ground fills the whole window
    };
    const View views[] = {
        {{20, 20, 20}, {20, 0, 20}, true, true},      // straight down from low enough
        {{20, 8, 20}, {40, 8, 20}, true, false},      // level towards the terrain's edge
        {{20, 12, 2}, {20, 5, 30}, true, false},      // tilted down across it
        {{6, 9, 4}, {40, 4, 24}, true, false},        // across a corner
        {{34, 9, 4}, {0, 4, 24}, true, false},        // across the other one
        {{20, 3, 20}, {20, 0, 20}, false, false},     // below the ground
        {{-10, 20, 20}, {20, 5, 20}, false, false},   // off the terrain
    };
    for (const View& view : views) {
        const glm::mat4 mvp = viewFrom(view.eye, view.at, 1.5f);
        glm::ivec4 rect(-1);
        ASSERT_EQ(patches.skyWindow(mvp, window, &rect), view.told) << view.eye.x << "," << view.eye.y;
        if (!view.told)
            continue;
        EXPECT_EQ(rect.z * rect.w == 0, view.allGround);
        // Every pixel centre outside the rectangle looks at the ground inside the square.
        const glm::mat4 inv = glm::inverse(mvp);
        for (int y = 0; y < window.y; ++y) {
            for (int x = 0; x < window.x; ++x) {
                if (x >= rect.x && x < rect.x + rect.z && y >= rect.y && y < rect.y + rect.w)
                    continue;
                const glm::vec2 ndc = 2.0f * (glm::vec2(x, y) + 0.5f) / glm::vec2(window) - 1.0f;
                const glm::vec4 n = inv * glm::vec4(ndc, -1, 1), f = inv * glm::vec4(ndc, 1, 1);
                const glm::vec3 a = glm::vec3(n) / n.w, b = glm::vec3(f) / f.w;
                ASSERT_GT(a.y, 5.0f);
                ASSERT_LT(b.y, 5.0f) << x << "," << y;
                const glm::vec3 hit = a + (a.y - 5.0f) / (a.y - b.y) * (b - a);
                ASSERT_TRUE(hit.x >= 0 && hit.x <= 40 && hit.z >= 0 && hit.z <= 40) << x << "," << y;
            }
        }
    }
}
