// The lander's visual side: construction of its models, the two stages and their
// separation, the camera focus, the attitude-thruster cones, the explosion and the
// state print.
#include "lander/Player.h"

#include "scene/Camera.h"
#include "platform/Fatal.h"
#include "scene/Geometry.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "scene/Material.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "screen/Quad2D.h"
#include "platform/Random.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

extern const Material gDefaultMaterial;

namespace {

// The meshes that make the upper (ascent) stage; every other mesh is the lower stage.
const char* const TOP_STAGE_MESHES[20] = {
    "Iron",      "Iron_kaku",         "Thruster_UV_t_TOP",   "Thruster_bace_1_TOP", "Thruster_bace_kaku",
    "avionics_platforms", "big_tank", "body_band",           "boom.001",            "cabin",
    "cabin_parts", "cabin_parts2",    "hatch",               "leg_jointparts_TOP",  "main_engine_UVt_TOP",
    "tank",      "tank_mount",        "upper",               "window_frame",        "window_glass",
};

bool isTopStageMesh(const std::string& name)
{
    return std::find(std::begin(TOP_STAGE_MESHES), std::end(TOP_STAGE_MESHES), name) != std::end(TOP_STAGE_MESHES);
}

void setNamedShaders(Model* model, bool normalMapping)
{
    if (normalMapping)
        model->setShaders(Shader::get("phong"), Shader::get("phong_notex"), Shader::get("phong_nm"),
                          Shader::get("phong_nm_notex"));
    else
        model->setShaders(Shader::get("phong"), Shader::get("phong_notex"));
}

glm::mat4 placed(const glm::vec3& position, const glm::quat& orientation)
{
    glm::mat4 m = glm::mat4_cast(orientation);
    m[3] = glm::vec4(position, 1.0f);
    return m;
}

std::string vec3Text(const glm::vec3& v)
{
    char text[128];
    std::snprintf(text, sizeof text, "[%f %f %f]", v.x, v.y, v.z);
    return text;
}

} // namespace

Player::Player(bool withModels)
{
    slopeLimit = std::cos(0.5235988f);
    attitudeLimit = std::cos(0.5235988f);

    const glm::mat4 I(1.0f);
    const glm::vec3 X(1.0f, 0.0f, 0.0f), Y(0.0f, 1.0f, 0.0f);
    coneOrientations[0] = glm::rotate(I, 3.1415927f, X);
    coneOrientations[1] = glm::rotate(I, 1.5707964f, X);
    coneOrientations[2] = glm::rotate(I, -1.5707964f, X);
    coneOrientations[3] = glm::rotate(I, 1.5707964f, Y) * glm::rotate(I, 1.5707964f, X);
    coneOrientations[4] = glm::rotate(I, -1.5707964f, Y) * glm::rotate(I, 1.5707964f, X);

    mainThrustAcceleration = gMainThrusterAcceleration;
    sideThrustFactor = gSideThrusterAcceleration * 0.25f;
    angularDecayFactor = gDecayAngularVelocityFactor;
    state.size = 1.0f;
    state.mass = 1.0f;
    state.inverseMass = 1.0f;
    state.inertia = 0.16666667f;
    state.inverseInertia = 6.0f;

    if (withModels)
        buildModels();

    reset();
}

void Player::buildModels()
{
    const glm::mat4 I(1.0f);
    const glm::mat4 importTransform = glm::translate(I, glm::vec3(0.0f, modelScale * 1.39f, 0.0f)) *
                                      glm::rotate(I, 2.3561945f, glm::vec3(0.0f, 1.0f, 0.0f)) *
                                      glm::scale(I, glm::vec3(modelScale));
    ModelImportOptions options;
    options.normalMapFromBump = true;
    options.bumpScale = 0.25f;
    options.triangulate = true;
    options.calcTangentSpace = false;
    options.optimize = false;
    options.createTangents = true;
    activeModel = new Model("Lander/lander_split.obj", importTransform, Shader::get("phong"), true, &options);

    buildNamedMeshes();

    setNamedShaders(activeModel, true);
    activeModel->mergeMeshes();
    activeModel->m_name = "Player";
    activeModel->m_type = MODEL_PLAYER;
    activeModel->m_draw_list_owned = false;

    glm::vec3 min, max;
    activeModel->computeAABB(min, max);
    if (topStageModel && !topStageModel->m_meshes.empty()) {
        glm::vec3 topMin, topMax;
        topStageModel->computeAABB(topMin, topMax);
        setBodyBounds(min, max, &topMin, &topMax);
    } else {
        setBodyBounds(min, max, nullptr, nullptr);
    }

    explosionTexture = new Texture(true, "explosion.png");
    explosionFrameCount = 64;
    const glm::vec3 size = max - min;
    explosionSize = 2.0f * std::max(size.x, std::max(size.y, size.z));

    quadShader = Shader::get("quad3d");
    glGenVertexArrays(1, &explosionVao);
    glPatchParameteri(GL_PATCH_VERTICES, 4);

    Material coneMaterial = gDefaultMaterial;
    coneMaterial.diffuse = glm::vec3(0.8666667f, 0.8666667f, 1.0f);
    Mesh* cone = new Mesh(new ConeGeometry(0.5f, 0.05f), glm::translate(I, glm::vec3(0.0f, -0.5f, 0.0f)), coneMaterial,
                          0, 0, 0, Shader::get("color_alpha"));
    rcsConeModel = new Model(cone);
    rcsConeModel->setColorMode(COLOR_MODE_FLAT);
    rcsConeModel->m_meshes[0]->m_use_alpha = true;
    rcsConeModel->m_meshes[0]->m_alpha = 0.5f;
    rcsConeModel->m_name = "RCS cone";
    rcsConeModel->m_draw_list_owned = false;
    for (Mesh* mesh : rcsConeModel->m_meshes)
        mesh->m_geometry->upload();

    boundingRadius = activeModel->getBoundingRadius();
}

Player::~Player()
{
    delete rcsConeModel;
    if (wholeModel)
        delete wholeModel;
    else
        delete activeModel;
    if (bottomStageModel)
        removeFromDrawList(bottomStageModel);
    delete topStageModel;
    delete bottomStageModel;
    delete explosionTexture;
    if (explosionVao != 0)
        glDeleteVertexArrays(1, &explosionVao);
}

void Player::buildNamedMeshes()
{
    topStageModel = new Model(*activeModel, true);
    bottomStageModel = new Model(*activeModel, true);

    std::vector<Mesh*>& bottom = bottomStageModel->m_meshes;
    for (const char* name : TOP_STAGE_MESHES) {
        bool found = false;
        for (size_t i = 0; i < bottom.size();) {
            if (bottom[i]->m_name == "inside") {
                bottom[i]->m_material.ambient = glm::vec3(0.1f);
                bottom[i]->m_material.diffuse = glm::vec3(0.3f);
            }
            if (bottom[i]->m_name == name) {
                delete bottom[i];
                bottom.erase(bottom.begin() + static_cast<long>(i));
                found = true;
            } else {
                ++i;
            }
        }
        if (!found)
            fatalError(std::string("Named mesh \"") + name + "\" not found");
    }

    std::vector<Mesh*>& top = topStageModel->m_meshes;
    for (size_t i = 0; i < top.size();) {
        if (!isTopStageMesh(top[i]->m_name)) {
            delete top[i];
            top.erase(top.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
    const glm::mat4 lift = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, stageOffset, 0.0f));
    for (Mesh* mesh : top)
        mesh->m_geometry->transform(lift);

    Model* stages[2] = {topStageModel, bottomStageModel};
    const char* names[2] = {"PlayerTop", "PlayerBottom"};
    for (int i = 0; i < 2; ++i) {
        setNamedShaders(stages[i], true);
        stages[i]->mergeMeshes();
        stages[i]->m_name = names[i];
        stages[i]->m_type = MODEL_PLAYER;
        stages[i]->m_draw_list_owned = false;
    }

    wholeModel = activeModel;
}

void Player::setNormalMapping(bool on)
{
    if (activeModel)
        setNamedShaders(activeModel, on);
}

void Player::setActiveModelVisible(bool visible)
{
    if (activeModel)
        activeModel->m_visible = visible;
}

void Player::updateTransforms()
{
    if (activeModel)
        activeModel->m_model_matrix = poseMatrix();
}

void Player::setSplit(bool on)
{
    if (split == on)
        return;
    split = on;
    if (on) {
        if (bottomStageModel && activeModel) {
            bottomStageModel->m_model_matrix = activeModel->m_model_matrix;
            gDrawList.push_back(bottomStageModel);
        }
        if (topStageModel)
            activeModel = topStageModel;
        setActiveModelVisible(true);
        state.position += upAxis() * -stageOffset;
        updateTransforms();
        bottomStageCrawler = dockedCrawler;
        dockedCrawler = nullptr;
        landed = false;
        state.momentum += state.orientation * glm::vec3(0.0f, state.mass * separationSpeed, 0.0f);
        state.recalculate();
        splitTimer = 1.0f;
    } else {
        if (bottomStageModel)
            removeFromDrawList(bottomStageModel);
        if (wholeModel)
            activeModel = wholeModel;
        setActiveModelVisible(true);
        bottomStageCrawler = nullptr;
        splitTimer = 0.0f;
    }
}

void Player::placeBottomStage(const glm::vec3& crawlerPosition, const glm::quat& crawlerOrientation)
{
    if (bottomStageModel)
        bottomStageModel->m_model_matrix = placed(crawlerPosition + crawlerOrientation * relativePosition,
                                                  crawlerOrientation * relativeOrientation);
}

glm::vec3 Player::getCameraFocus() const
{
    if (split && splitTimer > 0.0f)
        return state.position - upAxis() * -stageOffset * splitTimer;
    return state.position;
}

int Player::rcsConeTransforms(glm::mat4 out[MAX_RCS_CONES]) const
{
    const glm::vec3& c = rotationCommand;
    const bool separating = split && splitTimer > 0.0f;
    if (!(std::fabs(c.x) > 0.1f || std::fabs(c.z) > 0.1f || std::fabs(c.y) > 0.1f || separating))
        return 0;

    const float s = coneOffset;
    const glm::mat4 B = poseMatrix();
    const glm::mat4 I(1.0f);
    int n = 0;
    auto cone = [&](const glm::vec3& v, const glm::mat4& turn) { out[n++] = B * glm::translate(I, v) * turn; };

    if (separating) {
        cone(glm::vec3(0.0f, 0.0f, -s), I);
        cone(glm::vec3(0.0f, 0.0f, s), I);
        cone(glm::vec3(-s, 0.0f, 0.0f), I);
        cone(glm::vec3(s, 0.0f, 0.0f), I);
    }
    if (std::fabs(c.x) > 0.1f) {
        const float g = c.x > 0.0f ? 1.0f : -1.0f;
        cone(glm::vec3(0.0f, 0.0f, -g * s), I);
        cone(glm::vec3(0.0f, 0.0f, g * s), coneOrientations[0]);
    }
    if (std::fabs(c.z) > 0.1f) {
        const float g = c.z > 0.0f ? 1.0f : -1.0f;
        cone(glm::vec3(g * s, 0.0f, 0.0f), I);
        cone(glm::vec3(-g * s, 0.0f, 0.0f), coneOrientations[0]);
    }
    if (std::fabs(c.y) > 0.1f) {
        const float g = c.y > 0.0f ? 1.0f : -1.0f;
        const float d = -g * coneDrop * s;
        cone(glm::vec3(0.0f, d, g * s), coneOrientations[3]);
        cone(glm::vec3(0.0f, d, -g * s), coneOrientations[4]);
        cone(glm::vec3(g * s, d, 0.0f), coneOrientations[2]);
        cone(glm::vec3(-g * s, d, 0.0f), coneOrientations[1]);
    }
    return n;
}

void Player::drawRcsCones(const glm::mat4& projView)
{
    glm::mat4 cones[MAX_RCS_CONES];
    const int count = rcsConeTransforms(cones);
    if (count == 0 || !rcsConeModel)
        return;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    Mesh* first = rcsConeModel->m_meshes[0];
    first->m_use_alpha = true;
    first->m_alpha = static_cast<float>(gameRand() % 50) * 0.01f + 0.25f;
    for (int i = 0; i < count; ++i) {
        rcsConeModel->m_model_matrix = cones[i];
        rcsConeModel->draw(projView, nullptr, nullptr);
    }
    glDisable(GL_BLEND);
}

glm::vec2 Player::explosionUvOffset(int frame)
{
    return glm::vec2(static_cast<float>(frame % 8) * 0.125f, static_cast<float>(7 - frame / 8) * 0.125f);
}

void Player::drawExplosion(const glm::mat4& projView, const Camera* camera)
{
    if (!exploding || !quadShader || !explosionTexture || !camera)
        return;
    const glm::mat4 I(1.0f);
    const glm::mat4 model = glm::translate(I, state.position) * glm::rotate(I, -camera->phi, glm::vec3(0, 1, 0)) *
                            glm::rotate(I, -camera->theta, glm::vec3(1, 0, 0)) *
                            glm::scale(I, glm::vec3(explosionSize));
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glUseProgram(quadShader->m_program);
    quadShader->setUniform("uv_offset", explosionUvOffset(explosionFrame));
    quadShader->setUniform("uv_scale", glm::vec2(0.125f, 0.125f));
    quadShader->setUniform("mvpMat", projView * model);
    quadShader->setUniform("tex", 0);
    drawTexturedQuad(explosionVao, explosionTexture->m_texture);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void Player::printState() const
{
    const glm::vec3& p = state.position;
    const glm::quat& q = state.orientation;
    char ori[160];
    std::snprintf(ori, sizeof ori, "[w:%f x:%f y:%f z:%f]", q.w, q.x, q.y, q.z);
    std::cout << "Player pos " << vec3Text(p) << ", mom " << vec3Text(state.momentum) << ", ori " << ori
              << std::endl;
    if (terrain && terrain->m_heights) {
        const float u = (p.x / (terrain->m_patch_size * terrain->m_xpatches) + 0.5f) *
                        static_cast<float>(terrain->m_heights->m_width - 1);
        const float v = (p.z / (terrain->m_patch_size * terrain->m_zpatches) + 0.5f) *
                        static_cast<float>(terrain->m_heights->m_height - 1);
        std::cout << "Player pos (terrain texture coordinates): " << u << ", " << v << std::endl;
    }
    std::cout << "Player start for level ini:" << std::endl;
    std::cout << "start_x = " << p.x << std::endl << "start_y = " << p.y << std::endl << "start_z = " << p.z
              << std::endl;
    std::cout << "mom_x = " << state.momentum.x << std::endl
              << "mom_y = " << state.momentum.y << std::endl
              << "mom_z = " << state.momentum.z << std::endl;
    std::cout << "ori_w = " << q.w << std::endl
              << "ori_x = " << q.x << std::endl
              << "ori_y = " << q.y << std::endl
              << "ori_z = " << q.z << std::endl;
}
