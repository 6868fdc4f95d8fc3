// Crawlers: the shared templates, waypoint driving, terrain following, the level of
// detail, the wheels and the empty pad.
#include "objects/Crawler.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "level/Game.h"
#include "level/Heightfield.h"
#include "level/LevelConfig.h"
#include "scene/Geometry.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/Orientation.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

const float PI = 3.14159265f;
const float TWO_PI = 6.2831853f;
const glm::vec3 FORWARD(0.0f, 0.0f, 1.0f);
const glm::vec3 WORLD_UP(0.0f, 1.0f, 0.0f);

// Squared viewer distances up to which the detailed and the simple model are shown.
const float LOD0_DISTANCE_SQ = 250000.0f;  // 500 units
const float LOD1_DISTANCE_SQ = 2250000.0f; // 1500 units

// The terrain the crawler stands on is sampled this far ahead, behind and aside.
const float FOOTPRINT_AHEAD = 6.0f;
const float FOOTPRINT_BEHIND = 6.0f;
const float FOOTPRINT_SIDE = 5.0f;

const char* const WHEEL_MESHES[3] = {"land_wheels_front", "land_wheels_mid", "land_wheels_back"};

// Shared by every crawler of the level.
struct CrawlerTemplates {
    Model* lod[3] = {nullptr, nullptr, nullptr};
    Texture* emptyPad = nullptr;
    glm::vec3 boundsMin = glm::vec3(0.0f);
    glm::vec3 boundsMax = glm::vec3(0.0f);
    Mesh* wheels[3] = {nullptr, nullptr, nullptr};
    glm::vec3 wheelPivots[3] = {glm::vec3(0.0f), glm::vec3(0.0f), glm::vec3(0.0f)};
    float wheelRadius = 1.0f;
    Mesh* pad = nullptr;
    GLuint padTexture = 0;
    btBoxShape* box = nullptr;
    btCompoundShape* shape = nullptr; // the box, moved to the bounds' centre
    PhysicsMaterial material{0.5f, 0.5f, 0.5f};
};

CrawlerTemplates* gTemplates = nullptr;

bool finite3(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool finiteQuat(const glm::quat& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

Model* importTemplate(const std::string& file, const std::string& name)
{
    const glm::mat4 I(1.0f);
    const glm::mat4 transform =
        glm::scale(I, glm::vec3(0.1f)) * glm::translate(I, glm::vec3(9.0f, -22.9384f, -35.0f));
    Model* model = new Model(file, transform, Shader::get("phong"), true, nullptr);
    model->setShaders(Shader::get("phong"), Shader::get("phong_notex"));
    model->m_name = name;
    model->m_type = MODEL_CRAWLER;
    model->m_single_shader = false;
    model->m_draw_list_owned = false;
    return model;
}

void buildTemplates()
{
    gTemplates = new CrawlerTemplates();
    CrawlerTemplates& t = *gTemplates;

    t.lod[0] = importTemplate("Mars Explorer/Mars_Explorer_new.obj", "CrawlerTemplate");

    t.emptyPad = new Texture();
    t.emptyPad->m_format = GL_RGB;
    t.emptyPad->load(true, gAssetsDir + "/models/Mars Explorer/Maps/landarea2.png");

    t.lod[0]->computeAABB(t.boundsMin, t.boundsMax);
    const glm::vec3 size = t.boundsMax - t.boundsMin;

    t.lod[1] = importTemplate("Mars Explorer/Mars_Explorer_new_LOD1.obj", "CrawlerTemplate 2");

    const Material grey(glm::vec3(0.1f), glm::vec3(0.2509804f), glm::vec3(0.3f), 0.0f);
    Mesh* box = new Mesh(new BoxGeometry(size.x, size.y, size.z),
                         glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, size.y * 0.5f, 0.0f)), grey, 0, 0, 0,
                         Shader::get("phong_notex"));
    t.lod[2] = new Model(box);
    t.lod[2]->m_shader = box->m_shader;
    t.lod[2]->m_name = "CrawlerTemplate 3";
    t.lod[2]->m_type = MODEL_CRAWLER;
    t.lod[2]->m_single_shader = false;
    t.lod[2]->m_draw_list_owned = false;

    // The wheel sets turn about their own axles, so each keeps its own transform.
    int found = 0;
    for (int k = 0; k < 3; ++k) {
        for (Mesh* mesh : t.lod[0]->m_meshes) {
            if (mesh->m_name != WHEEL_MESHES[k])
                continue;
            mesh->m_merge_locked = 1;
            t.wheels[k] = mesh;
            ++found;
            break;
        }
    }
    if (found < 3)
        fatalError("Crawler model: did not find all wheel meshes");
    float heights = 0.0f;
    for (int k = 0; k < 3; ++k) {
        glm::vec3 b[2];
        t.wheels[k]->m_geometry->getBounds(b);
        t.wheelPivots[k] = (b[0] + b[1]) * 0.5f;
        heights += b[1].y - b[0].y;
    }
    t.wheelRadius = heights / 6.0f;

    for (Mesh* mesh : t.lod[0]->m_meshes) {
        if (mesh->m_name == "landingarea" && mesh->m_diffuse_tex != 0) {
            t.pad = mesh;
            t.padTexture = mesh->m_diffuse_tex;
            break;
        }
    }
    if (!t.pad)
        fatalError("Crawler model: landing area mesh not found");

    t.box = new btBoxShape(btVector3(size.x * 0.5f, size.y * 0.5f, size.z * 0.5f));
    t.box->setMargin(0.0f);
    t.shape = new btCompoundShape(false, 1);
    btTransform local;
    local.setIdentity();
    const glm::vec3 centre = (t.boundsMin + t.boundsMax) * 0.5f;
    local.setOrigin(btVector3(centre.x, centre.y, centre.z));
    t.shape->addChildShape(local, t.box);
}

Model* cloneTemplate(int k, const std::string& name)
{
    Model* model = new Model(*gTemplates->lod[k], false);
    model->m_name = name;
    model->m_single_shader = false;
    model->m_draw_list_owned = false;
    return model;
}

} // namespace

void Crawler::destroyTemplates()
{
    if (!gTemplates)
        return;
    for (Model*& model : gTemplates->lod) {
        delete model;
        model = nullptr;
    }
    delete gTemplates->emptyPad;
    delete gTemplates->shape;
    delete gTemplates->box;
    delete gTemplates;
    gTemplates = nullptr;
}

glm::vec3 Crawler::boundsMin()
{
    return gTemplates ? gTemplates->boundsMin : glm::vec3(0.0f);
}

glm::vec3 Crawler::boundsMax()
{
    return gTemplates ? gTemplates->boundsMax : glm::vec3(0.0f);
}

float Crawler::wheelRadius()
{
    return gTemplates ? gTemplates->wheelRadius : 1.0f;
}

Crawler::Crawler(int number)
{
    if (!gTemplates)
        buildTemplates();

    m_name = "Crawler" + std::to_string(number);
    m_lod[0] = cloneTemplate(0, m_name + "_LOD0");
    m_lod[0]->m_pre_render = &Crawler::preRender;
    m_lod[0]->m_post_render = &Crawler::postRender;
    m_lod[0]->m_pre_render_data = this;
    m_lod[0]->m_post_render_data = this;
    m_lod[1] = cloneTemplate(1, m_name + "_LOD1");
    m_lod[2] = cloneTemplate(2, m_name + "_LOD2");
    m_lod[0]->m_visible = true;
    m_lod[1]->m_visible = false;
    m_lod[2]->m_visible = false;

    m_start = *this;

    m_actor = new btCollisionObject();
    m_actor->setCollisionShape(gTemplates->shape);
    applyMaterial(m_actor, gTemplates->material);
    m_actor->setWorldTransform(btTransform::getIdentity());
    if (gPhysics && gPhysics->m_scene)
        gPhysics->m_scene->addCollisionObject(m_actor);
    m_lod[0]->m_actor = m_actor;
}

Crawler::~Crawler()
{
    if (m_actor && gPhysics && gPhysics->m_scene)
        gPhysics->m_scene->removeCollisionObject(m_actor);
    delete m_actor;
    delete[] m_waypoints;
    for (Model*& model : m_lod) {
        delete model;
        model = nullptr;
    }
}

void Crawler::init(const CrawlerDef* def)
{
    // A speed that is not a number would turn the whole pose into NaN.
    m_speed = std::isfinite(def->speed) ? def->speed : 0.0f;
    m_speedUponLanding = std::isfinite(def->speed_upon_landing) ? def->speed_upon_landing : -1.0f;
    // A negative store would make the lander's helium run backwards.
    m_helium = std::max(def->helium, 0);
    m_fuel = def->fuel;
    m_cycleWaypoints = def->cycle_waypoints;
    m_numWaypoints = std::max(def->num_waypoints, 0);
    delete[] m_waypoints;
    m_waypoints = m_numWaypoints > 0 ? new glm::vec2[static_cast<size_t>(m_numWaypoints)] : nullptr;

    if (!m_terrain)
        fatalError("Crawler: terrain not assigned");
    const int w = m_terrain->m_heights->m_width;
    const int h = m_terrain->m_heights->m_height;
    const float extentX = m_terrain->m_patch_size * static_cast<float>(m_terrain->m_xpatches);
    const float extentZ = m_terrain->m_patch_size * static_cast<float>(m_terrain->m_zpatches);
    for (int i = 0; i < m_numWaypoints; ++i)
        m_waypoints[i] = glm::vec2(pixelToWorld(def->waypoints[i].x, w, extentX),
                                   pixelToWorld(def->waypoints[i].y, h, extentZ));
    m_waypointIndex = 0;

    // Heading: towards the second waypoint, or by the facing angle when there is no
    // second one to head for (or it lies on the first).
    glm::quat turn = glm::angleAxis(-(def->facing + 180.0f) * (PI / 180.0f), WORLD_UP);
    if (m_numWaypoints > 1) {
        const glm::vec2 d = m_waypoints[1] - m_waypoints[0];
        if (glm::dot(d, d) > 1e-6f)
            turn = rotationBetween(FORWARD, glm::vec3(d.x, 0.0f, d.y));
    }
    glm::vec3 heading = turn * FORWARD;
    heading.y = 0.0f;
    m_heading = glm::normalize(heading);

    const glm::vec2 first = m_numWaypoints > 0 ? m_waypoints[0] : glm::vec2(0.0f);
    m_position = glm::vec3(first.x, 0.0f, first.y);
    m_position.y = m_terrain->getHeight(m_position, nullptr);
    m_orientation = turn;

    alignToTerrain();
    updatePose();
    m_start = *this;
}

void Crawler::update(bool forceStep, const glm::vec3& viewerPos, float dt)
{
    float step = dt;
    if (!forceStep) {
        if (!m_stepClock.advance(dt))
            return;
        step = m_stepClock.step();
    } else if (!std::isfinite(step) || step < 0.0f) {
        step = 0.0f;
    }

    chooseDetail(viewerPos);

    if (!m_driving) {
        if (m_disableTimer >= 0.0f)
            m_disableTimer -= step;
        if (m_disableTimer < 0.0f) {
            m_disableTimer = 0.0f;
            m_driving = true;
        }
        return;
    }

    if (!(std::fabs(m_speed) > 0.0001f))
        return;
    drive(step);
    steer(step);
    passWaypoint();
    alignToTerrain();
    updatePose();
}

void Crawler::chooseDetail(const glm::vec3& viewerPos)
{
    int level = 0;
    if (gLodSwitching) {
        const glm::vec3 d = m_position - viewerPos;
        const float d2 = glm::dot(d, d);
        level = d2 <= LOD0_DISTANCE_SQ ? 0 : (d2 <= LOD1_DISTANCE_SQ ? 1 : 2);
    }
    for (int k = 0; k < 3; ++k)
        m_lod[k]->m_visible = k == level;
}

void Crawler::drive(float step)
{
    m_wheelAngle += m_speed * step / (wheelRadius() * TWO_PI * 0.5f);
    const glm::vec3 forward = m_orientation * FORWARD;
    m_position += forward * m_speed * step;
}

void Crawler::steer(float step)
{
    if (!m_waypoints || m_numWaypoints <= 1)
        return;
    const int next = (m_waypointIndex + 1) % m_numWaypoints;
    const glm::vec2 d = m_waypoints[next] - glm::vec2(m_position.x, m_position.z);
    if (!(glm::dot(d, d) > 1e-5f))
        return;
    const float current = std::atan2(-m_heading.z, m_heading.x);
    const float wanted = std::atan2(-d.y, d.x);
    // The shorter way round: a turn of 350 degrees is one of -10.
    float delta = wanted - current;
    if (delta > PI)
        delta -= TWO_PI;
    else if (delta < -PI)
        delta += TWO_PI;
    const float limit = m_turnRate * step;
    const float turn = std::fabs(delta) < limit ? delta : (delta > 0.0f ? limit : -limit);
    const float heading = current + turn;
    m_heading = glm::vec3(std::cos(heading), m_heading.y, -std::sin(heading));
}

void Crawler::passWaypoint()
{
    // A single waypoint is never passed: the crawler just drives on (and one that
    // does not cycle would otherwise stop on its first step).
    if (!m_waypoints || m_numWaypoints <= 1)
        return;
    const int next = (m_waypointIndex + 1) % m_numWaypoints;
    const glm::vec2 from = m_waypoints[m_waypointIndex];
    const glm::vec2 toCrawler = glm::vec2(m_position.x, m_position.z) - from;
    const glm::vec2 toNext = m_waypoints[next] - from;
    if (glm::dot(toCrawler, toCrawler) <= glm::dot(toNext, toNext))
        return;
    m_waypointIndex = next;
    if (!m_cycleWaypoints && next + 1 == m_numWaypoints) {
        m_speed = 0.0f;
        m_speedUponLanding = 0.0f;
    }
}

void Crawler::alignToTerrain()
{
    if (!m_terrain)
        fatalError("Crawler: terrain not assigned");
    const glm::vec3 side = glm::cross(m_heading, WORLD_UP);
    glm::vec3 p[5] = {m_position,
                      m_position + FOOTPRINT_AHEAD * m_heading - FOOTPRINT_SIDE * side,
                      m_position + FOOTPRINT_AHEAD * m_heading + FOOTPRINT_SIDE * side,
                      m_position - FOOTPRINT_BEHIND * m_heading - FOOTPRINT_SIDE * side,
                      m_position - FOOTPRINT_BEHIND * m_heading + FOOTPRINT_SIDE * side};
    float sum = 0.0f;
    for (glm::vec3& q : p) {
        q.y = m_terrain->getHeight(q, nullptr);
        sum += q.y;
    }
    m_position.y = sum * 0.2f;
    const float slope = ((p[1].y + p[2].y) - (p[3].y + p[4].y)) * 0.5f / (FOOTPRINT_AHEAD + FOOTPRINT_BEHIND);
    const glm::vec3 forward = glm::normalize(glm::vec3(m_heading.x, slope, m_heading.z));
    const glm::vec3 up =
        (glm::cross(p[2] - p[1], p[1] - p[3]) + glm::cross(p[4] - p[3], p[2] - p[4])) * 0.5f;
    m_orientation = lookAtRotation(forward, up, glm::quat(1.0f, 0.0f, 0.0f, 0.0f));
}

glm::mat4 Crawler::modelMatrix() const
{
    glm::mat4 m = glm::mat4_cast(m_orientation);
    m[3] = glm::vec4(m_position, 1.0f);
    return m;
}

void Crawler::updatePose()
{
    // A broken pose must never reach the broadphase, where it would corrupt the tree.
    if (!finite3(m_position) || !finiteQuat(m_orientation)) {
        std::cout << "WARNING: " << m_name << " has no valid pose; it stays where it was" << std::endl;
        const btTransform& t = m_actor->getWorldTransform();
        const Pose last = toPose(t);
        m_position = last.p;
        m_orientation = last.q;
        m_speed = 0.0f;
    }
    const glm::mat4 m = modelMatrix();
    for (Model* model : m_lod)
        model->m_model_matrix = m;
    if (m_actor) {
        m_actor->setWorldTransform(toTransform(Pose{m_orientation, m_position}));
        if (gPhysics && gPhysics->m_scene && m_actor->getBroadphaseHandle())
            gPhysics->m_scene->updateSingleAabb(m_actor);
    }
}

bool Crawler::overlaps(const glm::vec3& half, const Pose& pose) const
{
    const glm::vec3 centre = (boundsMin() + boundsMax()) * 0.5f;
    const glm::mat4 box = modelMatrix() * glm::translate(glm::mat4(1.0f), centre);
    return overlapBoxes(half, pose, (boundsMax() - boundsMin()) * 0.5f, poseFromMatrix(box));
}

void Crawler::restore(const CrawlerState& state)
{
    static_cast<CrawlerState&>(*this) = state;
    updatePose();
}

void Crawler::restoreStart()
{
    restore(m_start);
    m_stepClock.reset();
}

void Crawler::print(const std::string& prefix) const
{
    char pos[128];
    std::snprintf(pos, sizeof(pos), "[%f %f %f]", m_position.x, m_position.y, m_position.z);
    std::cout << prefix << "pos " << pos << " fuel:" << m_fuel << " helium:" << m_helium << std::endl;
}

bool Crawler::preRender(void* crawler, Model*, const glm::mat4&)
{
    const auto* self = static_cast<const Crawler*>(crawler);
    if (!gTemplates)
        return true;
    const glm::mat4 I(1.0f);
    for (int k = 0; k < 3; ++k) {
        const glm::vec3& pivot = gTemplates->wheelPivots[k];
        gTemplates->wheels[k]->m_transform = glm::translate(I, pivot) *
                                             glm::rotate(I, self->m_wheelAngle, glm::vec3(1.0f, 0.0f, 0.0f)) *
                                             glm::translate(I, -pivot);
    }
    if (self->m_helium == 0)
        gTemplates->pad->m_diffuse_tex = gTemplates->emptyPad->m_texture;
    return true;
}

void Crawler::postRender(void*, Model*, const glm::mat4&)
{
    if (gTemplates)
        gTemplates->pad->m_diffuse_tex = gTemplates->padTexture;
}
