// View-frustum culling with a kd-tree of axis-aligned boxes. Every cullable model has a
// culling entity (a box or a sphere) kept in the deepest node whose split plane it does
// not straddle; once per frame the nodes are classified against the frustum planes.
#pragma once

#include <glm/glm.hpp>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum CullState : int { INSIDE = 0, OUTSIDE = 1, INTERSECT = 2 };

const char* cullStateName(int state);

class KDNode;
class KDTree;

struct CullingEntity {
    uintptr_t id = 0;        // the address of the owning Model
    KDNode* node = nullptr;  // node whose map holds the entity; null when in no tree
    uint8_t isSphere = 0;    // 1: sphere, 0: box
    glm::vec3 center = glm::vec3(0.0f);
    glm::vec3 extent = glm::vec3(0.0f); // box: half extents; sphere: radius in x
};

class KDNode {
public:
    KDTree* tree = nullptr;
    KDNode* parent = nullptr;
    bool isLower = false;
    int axis = 0; // 0 = x, 1 = y, 2 = z
    float split = 0.0f;
    int depth = 0;
    glm::vec3 min = glm::vec3(0.0f);
    glm::vec3 max = glm::vec3(0.0f);
    int state = INSIDE;
    std::map<uintptr_t, CullingEntity*> entities; // not owned
    KDNode* lower = nullptr; // owned; both children null or both set
    KDNode* upper = nullptr;
    int id = 0;

    KDNode(KDNode* parent, bool isLower);
    ~KDNode();
    KDNode(const KDNode&) = delete;
    KDNode& operator=(const KDNode&) = delete;

    bool isLeaf() const { return lower == nullptr; }

    // Stores the entity in the deepest node below this one that it does not straddle.
    void addEntity(CullingEntity* e);
    // Finds the entity the way addEntity placed it; its centre and extent must not have
    // changed since. Returns false (with a warning) when it is not found there.
    bool removeEntity(CullingEntity* e);
    // Returns 1 when wholly above the split plane, 0 when wholly below, -1 when it touches or straddles it.
    int sideOf(const CullingEntity& e) const;
    void buildNode();
    float findSplitMedian() const;
    float findSplitByCost() const;
    float findSplitMiddle() const;
    void classify();
    void inheritCullState();
    // The subtree, children before their parent (lower subtree, upper subtree, node).
    void collectNodes(std::vector<KDNode*>& out);
    void moveEntitiesToRoot();
    void print(const std::string& prefix) const;

private:
    KDNode* descend(const CullingEntity& e);
};

class KDTree {
public:
    glm::vec3 planeNormal[6]; // frustum planes, stored negated (outside is positive)
    float planeDist[6] = {0, 0, 0, 0, 0, 0};
    KDNode* root = nullptr; // owned
    int nextId = 1;
    glm::vec3 worldMin = glm::vec3(0.0f);
    glm::vec3 worldMax = glm::vec3(0.0f);
    int minDepth = 0;         // below this depth a split is kept even when it moved nothing
    int maxDepth = 20;        // nodes at this depth or deeper stay leaves
    float minExtent = 10.0f;  // nodes at most this wide on their axis stay leaves
    float keepExtent = 200.0f; // splits of nodes wider than this are always kept
    int strategy = 2;         // 0 median, 1 cost, otherwise the middle

    KDTree() = default;
    // A tree over the given world box with an empty root node.
    KDTree(const glm::vec3& worldMin, const glm::vec3& worldMax);
    // Deletes the root and with it every node.
    ~KDTree();
    KDTree(const KDTree&) = delete;
    KDTree& operator=(const KDTree&) = delete;

    // Collects every entity at the root and builds the tree anew over the world box.
    void rebuild();
    // Extracts the frustum planes of viewProj and classifies the nodes.
    void cull(const glm::mat4& viewProj);
    // False when the entity's node is outside the frustum or, with precise, when the
    // entity's own box lies outside one of the planes. An entity the tree does not
    // hold (none, or never added, or removed) counts as visible.
    bool isVisible(const CullingEntity* e, bool precise) const;
};
