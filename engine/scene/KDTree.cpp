#include "scene/KDTree.h"

#include "platform/Fatal.h"
#include "scene/Model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

namespace {

std::string vecText(const glm::vec3& v)
{
    char text[128];
    std::snprintf(text, sizeof text, "[%f %f %f]", v.x, v.y, v.z);
    return text;
}

float halfExtentOn(const CullingEntity& e, int axis)
{
    return e.isSphere ? e.extent.x : e.extent[axis];
}

// Signed distance-like value of the entity's bounding cube beyond a (negated) plane:
// positive means the whole box lies outside.
float outsideBy(const glm::vec3& n, float d, const CullingEntity& e)
{
    const float s = glm::dot(n, e.center) + d;
    if (e.isSphere)
        return s - (std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z)) * e.extent.x;
    const glm::vec3& h = e.extent;
    return s - (std::fabs(n.x) * h.x + std::fabs(n.y) * h.y + std::fabs(n.z) * h.z);
}

} // namespace

const char* cullStateName(int state)
{
    switch (state) {
    case INSIDE:
        return "INSIDE";
    case OUTSIDE:
        return "OUTSIDE";
    case INTERSECT:
        return "INTERSECT";
    default:
        return "?";
    }
}

KDNode::KDNode(KDNode* parentNode, bool lowerChild) : parent(parentNode), isLower(lowerChild)
{
    if (!parent)
        return;
    tree = parent->tree;
    depth = parent->depth + 1;
    axis = (parent->axis + 1) % 3;
    min = parent->min;
    max = parent->max;
    if (isLower)
        max[parent->axis] = parent->split;
    else
        min[parent->axis] = parent->split;
}

KDNode::~KDNode()
{
    if (!entities.empty())
        std::cout << "WARN: KDNode to be destructed still contains entities" << std::endl;
    delete lower;
    delete upper;
}

int KDNode::sideOf(const CullingEntity& e) const
{
    const float c = e.center[axis];
    const float h = halfExtentOn(e, axis);
    if (c - h > split)
        return 1;
    if (c + h < split)
        return 0;
    return -1;
}

KDNode* KDNode::descend(const CullingEntity& e)
{
    KDNode* node = this;
    while (!node->isLeaf()) {
        const int side = node->sideOf(e);
        if (side == -1)
            break;
        node = side == 0 ? node->lower : node->upper;
    }
    return node;
}

void KDNode::addEntity(CullingEntity* e)
{
    KDNode* node = descend(*e);
    e->node = node;
    node->entities.insert({e->id, e});
}

bool KDNode::removeEntity(CullingEntity* e)
{
    KDNode* node = descend(*e);
    auto it = node->entities.find(e->id);
    if (it == node->entities.end()) {
        std::cout << "WARN: culling entity to remove not found in kdTree" << std::endl;
        return false;
    }
    if (it->second != e) {
        std::cout << "WARN: KDNode:removeEntity: found identifier, but entity does not match" << std::endl;
        return false;
    }
    e->node = nullptr;
    node->entities.erase(it);
    return true;
}

void KDNode::buildNode()
{
    if (!isLeaf())
        fatalError("KDNode::buildNode - already built");
    const float extent = max[axis] - min[axis];
    if (entities.empty() || depth >= tree->maxDepth || extent <= tree->minExtent)
        return;
    const bool keep = depth < tree->minDepth || extent > tree->keepExtent;

    if (tree->strategy == 0)
        split = findSplitMedian();
    else if (tree->strategy == 1)
        split = findSplitByCost();
    else
        split = findSplitMiddle();

    lower = new KDNode(this, true);
    upper = new KDNode(this, false);

    int moved = 0;
    for (auto it = entities.begin(); it != entities.end();) {
        const int side = sideOf(*it->second);
        if (side == -1) {
            ++it;
            continue;
        }
        (side == 0 ? lower : upper)->addEntity(it->second);
        it = entities.erase(it);
        moved += 1;
    }

    if (moved == 0 && !keep) {
        delete lower;
        delete upper;
        lower = upper = nullptr;
        return;
    }
    lower->id = tree->nextId;
    upper->id = tree->nextId + 1;
    tree->nextId += 2;
    lower->buildNode();
    upper->buildNode();
}

float KDNode::findSplitMiddle() const
{
    return (min[axis] + max[axis]) * 0.5f;
}

float KDNode::findSplitMedian() const
{
    std::vector<float> centres;
    centres.reserve(entities.size());
    for (const auto& entry : entities)
        centres.push_back(entry.second->center[axis]);
    if (centres.empty())
        return findSplitMiddle();
    std::sort(centres.begin(), centres.end());
    const size_t n = centres.size();
    if (n == 1)
        return centres[0];
    return (centres[n / 2 - 1] + centres[n / 2]) * 0.5f;
}

float KDNode::findSplitByCost() const
{
    std::vector<float> candidates;
    for (const auto& entry : entities) {
        const CullingEntity& e = *entry.second;
        const float c = e.center[axis], h = halfExtentOn(e, axis);
        const float lo = c - h, hi = c + h;
        if (lo - 0.1f > min[axis])
            candidates.push_back(lo - 0.1f);
        if (hi + 0.1f < max[axis])
            candidates.push_back(hi + 0.1f);
    }
    if (candidates.empty())
        return findSplitMiddle();

    const float n = static_cast<float>(entities.size());
    float bestCost = 10.0f;
    float best = candidates[0];
    for (float p : candidates) {
        int below = 0, above = 0, straddle = 0;
        for (const auto& entry : entities) {
            const CullingEntity& e = *entry.second;
            const float c = e.center[axis], h = halfExtentOn(e, axis);
            if (c + h < p)
                below += 1;
            else if (c - h > p)
                above += 1;
            else
                straddle += 1;
        }
        const float balance = straddle == static_cast<int>(entities.size())
                                  ? 1.0f
                                  : static_cast<float>(std::abs(below - above)) / static_cast<float>(below + above);
        const float cost = 0.4f * balance + 0.6f * static_cast<float>(straddle) / n;
        if (cost < bestCost) {
            bestCost = cost;
            best = p;
        }
    }
    return best;
}

void KDNode::classify()
{
    const glm::vec3 c = (min + max) * 0.5f;
    const glm::vec3 h = (max - min) * 0.5f;
    bool intersects = false;
    state = INSIDE;
    for (int i = 0; i < 6; ++i) {
        const glm::vec3& n = tree->planeNormal[i];
        const float r = std::fabs(n.x) * h.x + std::fabs(n.y) * h.y + std::fabs(n.z) * h.z;
        const float s = glm::dot(n, c) + tree->planeDist[i];
        if (s - r > 0.0f) {
            state = OUTSIDE;
            break;
        }
        if (s + r >= 0.0f)
            intersects = true;
    }
    if (state != OUTSIDE)
        state = intersects ? INTERSECT : INSIDE;
    if (isLeaf())
        return;
    if (state == INTERSECT) {
        lower->classify();
        upper->classify();
    } else {
        lower->inheritCullState();
        upper->inheritCullState();
    }
}

void KDNode::inheritCullState()
{
    state = parent->state;
    if (isLeaf())
        return;
    lower->inheritCullState();
    upper->inheritCullState();
}

void KDNode::collectNodes(std::vector<KDNode*>& out)
{
    if (!isLeaf()) {
        lower->collectNodes(out);
        upper->collectNodes(out);
    }
    out.push_back(this);
}

void KDNode::moveEntitiesToRoot()
{
    std::vector<KDNode*> stack;
    if (!isLeaf()) {
        stack.push_back(upper);
        stack.push_back(lower);
    }
    while (!stack.empty()) {
        KDNode* node = stack.back();
        stack.pop_back();
        for (auto& entry : node->entities) {
            entry.second->node = this;
            entities.insert(entry);
        }
        node->entities.clear();
        if (!node->isLeaf()) {
            stack.push_back(node->upper);
            stack.push_back(node->lower);
        }
    }
}

void KDNode::print(const std::string& prefix) const
{
    static const char axisLetters[3] = {'x', 'y', 'z'};
    const char letter = isLower ? 'L' : 'R';
    std::ostringstream out;
    out << prefix << letter << " id " << id << " plane " << axisLetters[axis] << "=" << split << " rng"
        << vecText(min) << "-" << vecText(max) << "\n";
    out << "  " << (isLeaf() ? "leaf" : "node") << " " << cullStateName(state) << "\n";
    out << "  [ ";
    for (const auto& entry : entities) {
        const CullingEntity& e = *entry.second;
        const Model* model = reinterpret_cast<const Model*>(e.id);
        const std::string name = model ? model->m_name : std::string();
        if (e.isSphere)
            out << "S(\"" << name << "\" c:" << vecText(e.center) << ",r:" << e.extent.x << ") ";
        else
            out << "B(\"" << name << "\" c:" << vecText(e.center) << ",h:" << vecText(e.extent) << ") ";
    }
    out << "]\n";
    std::cout << out.str() << std::flush;
    if (!isLeaf()) {
        lower->print(prefix + letter);
        upper->print(prefix + letter);
    }
}

KDTree::KDTree(const glm::vec3& minCorner, const glm::vec3& maxCorner) : worldMin(minCorner), worldMax(maxCorner)
{
    root = new KDNode(nullptr, false);
    root->tree = this;
    root->min = worldMin;
    root->max = worldMax;
}

KDTree::~KDTree()
{
    delete root;
}

void KDTree::rebuild()
{
    if (!root)
        root = new KDNode(nullptr, false);
    root->moveEntitiesToRoot();
    delete root->lower;
    delete root->upper;
    root->lower = root->upper = nullptr;
    root->tree = this;
    root->depth = 0;
    root->axis = 0;
    root->min = worldMin;
    root->max = worldMax;
    root->id = 0;
    nextId = 1;
    root->buildNode();
}

void KDTree::cull(const glm::mat4& viewProj)
{
    const glm::mat4& m = viewProj;
    const glm::vec4 rows[4] = {
        glm::vec4(m[0][0], m[1][0], m[2][0], m[3][0]),
        glm::vec4(m[0][1], m[1][1], m[2][1], m[3][1]),
        glm::vec4(m[0][2], m[1][2], m[2][2], m[3][2]),
        glm::vec4(m[0][3], m[1][3], m[2][3], m[3][3]),
    };
    const glm::vec4 planes[6] = {rows[3] + rows[0], rows[3] - rows[0], rows[3] + rows[1],
                                 rows[3] - rows[1], rows[3] + rows[2], rows[3] - rows[2]};
    for (int i = 0; i < 6; ++i) {
        planeNormal[i] = -glm::vec3(planes[i]);
        planeDist[i] = -planes[i].w;
    }
    if (root)
        root->classify();
}

bool KDTree::isVisible(const CullingEntity* e, bool precise) const
{
    if (!e || !e->node)
        return true;
    if (e->node->state == OUTSIDE)
        return false;
    if (!precise)
        return true;
    for (int i = 0; i < 6; ++i) {
        if (outsideBy(planeNormal[i], planeDist[i], *e) > 0.0f)
            return false;
    }
    return true;
}
