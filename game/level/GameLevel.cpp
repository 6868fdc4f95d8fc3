// Loading and unloading a level: the level file, terrain, sky, planet, lander, culling
// tree and scene framebuffers.
#include "level/Game.h"

#include "platform/Fatal.h"
#include "gl/Framebuffer.h"
#include "scene/Geometry.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "hud/Compass.h"
#include "hud/Hud.h"
#include "hud/Minimap.h"
#include "scene/KDTree.h"
#include "screen/LensFlare.h"
#include "scene/Light.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/Particles.h"
#include "physics/Physics.h"
#include "lander/Player.h"
#include "objects/Bomb.h"
#include "objects/Crawler.h"
#include "objects/Crystal.h"
#include "objects/Liquid.h"
#include "screen/Quad2D.h"
#include "gl/Shader.h"
#include "audio/SoundSystem.h"
#include "gl/Texture.h"
#include "platform/Timing.h"

#include <btBulletDynamicsCommon.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <iostream>
#include <new>
#include <string>

const Material gDefaultMaterial(glm::vec3(0.1f, 0.0f, 0.0f), glm::vec3(0.7f, 0.0f, 0.0f), glm::vec3(0.3f, 0.0f, 0.0f),
                                8.0f);

namespace {

constexpr float degToRad = 0.017453292f;
const glm::vec2 designScreen(1280.0f, 768.0f);

void progress(const char* part)
{
    std::cout << "Initializing " << part << " ... " << std::flush;
}

void progressDone()
{
    std::cout << "done" << std::endl;
}

Texture* overlayTexture(const std::string& file)
{
    auto* texture = new Texture(true, file);
    texture->setDesignScreenSize(designScreen);
    return texture;
}

// A model of one generated mesh with the default material; the model owns the mesh.
Model* singleMeshModel(Geometry* geometry, const Material& material, GLuint diffuse, GLuint cube, Shader* shader)
{
    return new Model(new Mesh(geometry, glm::mat4(1.0f), material, diffuse, 0, cube, shader));
}

template <typename T> void deleteAndClear(T*& pointer)
{
    delete pointer;
    pointer = nullptr;
}

} // namespace

void Game::init(int, bool skipLoadingScreen)
{
    if (m_initialized)
        fatalError("Game already initialized");
    m_initialized = true;
    m_loadingScreen = false;
    m_endSequence = false;

    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    if (m_antialiasing > maxSamples) {
        std::cout << "Warning: reducing multisamples to " << maxSamples << std::endl;
        m_antialiasing = maxSamples;
    }

    progress("level");
    try {
        m_level.load(gCurrentLevel);
    } catch (const std::bad_alloc&) {
        fatalError("Level " + std::to_string(gCurrentLevel) + " is too large to load");
    }
    std::cout << m_level.name << " ";
    progressDone();
    m_levelNumber = gCurrentLevel;
    const TerrainDef& terrain = *m_level.terrain;

    m_quad = new Quad2D(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    if (!skipLoadingScreen)
        showLoadingScreen(gCurrentLevel);

    const std::string folder = levelFolder(std::to_string(gCurrentLevel));
    if (gSound && gSound->ready &&
        gSound->load(SOUND_LEVEL_MUSIC, SoundLib::LOOP_NORMAL | SoundLib::CREATESTREAM, 0, m_level.music)) {
        const SoundLib::Result result = gSound->channels[SOUND_LEVEL_MUSIC].setPaused(false);
        if (result != SoundLib::OK)
            printSoundError("ERROR: Failed to start level music: (", result);
    }
    SoundSystem::startLevelVoice(folder + "/loading.mp3", folder + "/starting.mp3");

    const float e = terrain.extent;
    m_kdTree = new KDTree(glm::vec3(-e / 2.0f, terrain.min_height, -e / 2.0f),
                          glm::vec3(e / 2.0f, terrain.max_height, e / 2.0f));
    m_kdTree->minDepth = 0;
    m_kdTree->maxDepth = 20;
    m_kdTree->minExtent = 10.0f;
    m_kdTree->keepExtent = 200.0f;
    m_kdTree->strategy = 2;

    progress("texts");
    m_texPaused = overlayTexture("GamePaused.png");
    m_texMissionFailed = overlayTexture("MissionFailed.png");
    m_texYouWon = overlayTexture("YouWon.png");
    m_texSun = overlayTexture("sun.png");
    progressDone();

    gGravity = m_level.gravity;
    if (gPhysics && gPhysics->m_scene)
        gPhysics->m_scene->setGravity(btVector3(0.0f, -m_level.gravity, 0.0f));

    m_hud = new Hud();

    progress("terrain");
    initTerrain(true);
    progressDone();

    m_compass = new Compass();

    progress("sky and horizon");
    m_skyCubeMap = new Texture();
    m_skyCubeMap->m_flip = false;
    if (!m_level.skybox_full.empty())
        m_skyCubeMap->loadCubeMapCross(m_level.skybox_full);
    else
        m_skyCubeMap->loadCubeMap(m_level.skybox_name, m_level.skybox_ext);
    m_skybox = singleMeshModel(new CubeGeometry(), gDefaultMaterial, 0, m_skyCubeMap->m_texture, Shader::get("skybox"));
    m_skybox->m_meshes[0]->m_transform = glm::mat4_cast(m_level.sun_rotation);
    m_skybox->m_name = "Skybox";
    m_skybox->setColorMode(COLOR_MODE_NONE);
    m_skybox->m_visible = false;
    gDrawList.push_back(m_skybox);

    if (m_horizonMode == 2) {
        const float d = m_heightfield->m_patch_size * static_cast<float>(m_heightfield->m_xpatches) * 100.0f;
        Material material = gDefaultMaterial;
        material.diffuse = m_level.horizon_color;
        m_horizon = singleMeshModel(new SphereGeometry(d, HORIZON_SLICES, 3, true, HORIZON_CAP_DEGREES), material,
                                    m_heightfield->m_diffuse->m_texture, 0, Shader::get("texture_colored"));
        m_horizon->m_meshes[0]->m_transform = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, -d, 0.0f));
        m_horizon->setColorMode(COLOR_MODE_FLAT);
        m_horizon->m_visible = false;
        m_horizon->m_far_distance = d;
        m_horizon->m_name = "Horizon";
    }

    const float azim = m_level.kestrun_azim * degToRad;
    const float elev = m_level.kestrun_elev * degToRad;
    const float tilt = m_level.kestrun_tilt * degToRad;
    const glm::mat4 place = glm::rotate(glm::mat4(1.0f), azim, glm::vec3(0.0f, -1.0f, 0.0f)) *
                            glm::rotate(glm::mat4(1.0f), elev, glm::vec3(1.0f, 0.0f, 0.0f));
    if (m_level.kestrun_mode == 1) {
        const float r = m_level.kestrun_size * 400000.0f;
        m_texPlanet = new Texture(false, "kestrun_diffuse.jpg");
        Material material = gDefaultMaterial;
        material.ambient = glm::vec3(0.01f);
        material.shininess = 0.0f;
        m_planet = singleMeshModel(new SphereGeometry(r, 32, 32, true, 0.0f), material, m_texPlanet->m_texture, 0,
                                   Shader::get("phong"));
        m_planet->m_model_matrix = place * glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -1000000.0f)) *
                                   glm::rotate(glm::mat4(1.0f), tilt, glm::vec3(0.0f, 0.0f, 1.0f));
        m_planet->m_visible = false;
        m_planet->m_far_distance = r * 2.5f + 1000000.0f;
        m_planet->m_name = "Kestrun";
        m_planetSpinClock.reset();
        m_planetSpinAngle = 0.0f;
    } else if (m_level.kestrun_mode == 2) {
        m_texPlanetSprite = new Texture();
        m_texPlanetSprite->m_format = GL_RGBA;
        m_texPlanetSprite->load(false, "kestrun-sprite.png");
        glBindTexture(GL_TEXTURE_2D, m_texPlanetSprite->m_texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
        m_texPlanetSprite->setDesignScreenSize(designScreen);
        const float s = m_level.kestrun_size * 4500.0f;
        m_planetSpriteMatrix = place * glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -5000.0f)) *
                               glm::scale(glm::mat4(1.0f), glm::vec3(s));
    }
    progressDone();

    progress("player");
    m_player = new Player();
    m_player->startPosition = m_level.start_position;
    m_player->startMomentum = m_level.start_momentum;
    m_player->startOrientation = m_level.start_orientation;
    m_player->setInitialFuel(m_level.fuel < 0 ? 4500u : static_cast<unsigned int>(m_level.fuel));
    m_player->setTerrain(m_heightfield);
    m_player->crawlers = &m_crawlers;
    m_player->liquids = &m_liquids;
    m_player->crystals = &m_crystals;
    m_player->reset();
    progressDone();

    for (size_t i = 0; i < m_level.crawlers.size(); ++i) {
        Crawler* crawler = new Crawler(static_cast<int>(i) + 1);
        crawler->m_terrain = m_heightfield;
        for (Model* model : crawler->m_lod)
            gDrawList.push_back(model);
        m_crawlers.push_back(crawler);
        crawler->init(m_level.crawlers[i]);
    }
    Bomb::initTemplate();
    for (const LiquidDef* def : m_level.liquids) {
        Liquid* liquid = new Liquid(m_heightfield, def);
        gDrawList.push_back(liquid->model);
        m_liquids.push_back(liquid);
    }
    createCrystals();

    m_camera.phi = m_camera.resetState.phi;
    m_camera.theta = m_camera.resetState.theta;
    m_camera.r = m_camera.resetState.r;
    m_camera.min_rad = m_camera.resetState.min_rad;
    m_camera.max_rad = m_camera.resetState.max_rad;
    m_camera.focus = m_camera.resetState.focus;
    m_camera.phi = m_level.camera_phi;
    m_camera.theta = m_level.camera_theta;
    m_camera.r = m_level.camera_r;
    m_camera.focus = m_player->state.position;
    m_camera.max_rad = 50.0f;

    setCursorCaptured(m_cursorCaptured);
    prepareTimingFormats();

    if (m_multisampling)
        createFramebuffers();

    m_particles = new Particles();
    m_particles->m_update_shader = Shader::get("particle_update");
    m_particles->m_render_shader = Shader::get("particle_render");
    m_particles->m_texture = new Texture(true, "thrust-particle.png");
    m_particles->init();

    m_lensFlare = new LensFlare();

    glGenVertexArrays(1, &m_shockwaveVao);
    glPatchParameteri(GL_PATCH_VERTICES, 4);
    m_shockwaveShader = Shader::get("shockwave");
    m_quad3dShader = Shader::get("quad3d");
    glGenVertexArrays(1, &m_quad3dVao);
    glPatchParameteri(GL_PATCH_VERTICES, 4);

    Shader* color = Shader::get("color");
    m_boundsSphere = singleMeshModel(new SphereGeometry(1.0f, 16, 16, false, 0.0f), gDefaultMaterial, 0, 0, color);
    m_boundsBox = singleMeshModel(new BoxGeometry(1.0f, 1.0f, 1.0f), gDefaultMaterial, 0, 0, color);
    m_kdBox = singleMeshModel(new BoxGeometry(1.0f, 1.0f, 1.0f), gDefaultMaterial, 0, 0, color);
    for (Model* model : {m_boundsSphere, m_boundsBox, m_kdBox})
        model->setColorMode(COLOR_MODE_FLAT);

    if (m_kdTree) {
        progress("kdTree");
        for (Model* model : gDrawList) {
            if (model->m_type == MODEL_UNKNOWN || model->m_type == MODEL_PLAYER)
                continue;
            model->m_culling_entity = new CullingEntity();
            model->fillCullingEntity(*model->m_culling_entity);
            m_kdTree->root->addEntity(model->m_culling_entity);
        }
        m_kdTree->rebuild();
        progressDone();
    }

    m_renderPass[RENDER_PASS_HUD] = true;
    // The new minimap texture holds nothing yet: the first frame draws it.
    m_minimapCounter = 0;
    m_radiation = m_radiationPrev = m_radiationTarget = m_radiationZones = 0.0f;
    m_empCharge = m_empHoldTime = m_empHitRadiation = 0.0f;
    m_empCount = m_empNumMax;
    m_separationPending = false;
    m_missionAccomplished = false;
    m_hasCheckpoint = false;
    m_nextLevelRequested = false;
    m_endSequence = false;
    m_crashZoom.crashTime = 0.0f;
    m_loadingScreen = true;
    m_paused = false;
}

void Game::initTerrain(bool create)
{
    deleteAndClear(m_minimap);
    if (m_heightfield) {
        if (gPhysics)
            gPhysics->releaseHeightmap(m_heightfield->m_actor);
        m_heightfield->m_actor = nullptr;
        m_heightfield->freeTextures();
        glDeleteVertexArrays(1, &m_heightfield->m_vao);
        glDeleteVertexArrays(1, &m_heightfield->m_lowestVao);
        delete m_heightfield;
    }
    delete m_sun;
    m_heightfield = nullptr;
    m_sun = nullptr;
    if (!create)
        return;

    const TerrainDef& terrain = *m_level.terrain;
    m_heightfield = new Heightfield(1.0f, 10, 10, 0.0f, 30.0f, 1, 40, 40.0f);
    glGenVertexArrays(1, &m_heightfield->m_vao);
    glGenVertexArrays(1, &m_heightfield->m_lowestVao);
    glPatchParameteri(GL_PATCH_VERTICES, 4);
    m_heightfield->loadTextures(terrain.hf, terrain.tm, terrain.nm, terrain.lm, terrain.sm);

    const int width = m_heightfield->m_heights->m_width;
    const int height = m_heightfield->m_heights->m_height;
    // Every conversion below divides by (side - 1).
    if (width < 2 || height < 2)
        fatalError("Heightmap " + terrain.hf + " needs at least 2 x 2 samples");
    const int patches = std::max(1, static_cast<int>(std::lround(width * 0.0625)));
    m_heightfield->m_xpatches = m_heightfield->m_zpatches = patches;
    m_heightfield->m_patch_size = terrain.extent / static_cast<float>(patches);
    m_heightfield->m_min_height = terrain.min_height;
    m_heightfield->m_max_height = terrain.max_height;
    m_heightfield->m_max_subdivisions = 16;
    const float gridX = static_cast<float>(patches) * m_heightfield->m_patch_size;
    const float gridZ = gridX;
    // Height queries map the heights over one world unit less than the grid.
    const float extentX = gridX - 1.0f;
    const float extentZ = gridZ - 1.0f;
    if (!(extentX > 0.0f))
        fatalError("Terrain " + terrain.hf + " is too small: its extent must be more than 1");
    m_heightfield->setExtent(extentX, extentZ);

    m_heightfield->selectShader();
    m_heightfield->m_actor = gPhysics->loadHeightmap(terrain);

    gLightDirNormed = glm::vec3(glm::rotate(glm::mat4(1.0f), terrain.sun_azim * degToRad, glm::vec3(0.0f, -1.0f, 0.0f)) *
                                glm::rotate(glm::mat4(1.0f), terrain.sun_elev * degToRad, glm::vec3(1.0f, 0.0f, 0.0f)) *
                                glm::vec4(0.0f, 0.0f, -1.0f, 0.0f));
    m_sun = new DirectionalLight(true, glm::vec3(1.0f), terrain.sun_color_diff, terrain.sun_color_spec, -gLightDirNormed);

    // Zones are placed with the heightmap's size, like every other level coordinate.
    m_level.placeOnMap(width, height, gridX, gridZ);

    m_minimap = Minimap::create(m_heightfield, &m_level, m_hud ? m_hud->atlas : nullptr);
}

void Game::createCrystals()
{
    gCrystalMaterial = Material(m_level.crystal_color_amb, m_level.crystal_color_diff, m_level.crystal_color_spec,
                                m_level.crystal_shininess);
    gCrystalAlpha = m_level.crystal_alpha;
    const int w = m_heightfield->m_heights->m_width;
    const int h = m_heightfield->m_heights->m_height;
    const float extentX = m_heightfield->m_patch_size * static_cast<float>(m_heightfield->m_xpatches);
    const float extentZ = m_heightfield->m_patch_size * static_cast<float>(m_heightfield->m_zpatches);
    for (const CrystalDef* def : m_level.crystals) {
        CrystalDef placed = *def;
        if (placed.x_in_pixels)
            placed.position.x = pixelToWorld(placed.position.x, w, extentX);
        if (placed.z_in_pixels)
            placed.position.z = pixelToWorld(placed.position.z, h, extentZ);
        if (placed.position.y >= -9999.1f && placed.position.y <= -9998.9f)
            placed.position.y = m_heightfield->getHeight(placed.position, nullptr);
        // Its box must stay within the float range, like every other level value.
        const std::string entry = "cry_" + std::to_string(def->number);
        const double reach = Crystal::boxReach(placed.scale);
        for (int axis = 0; axis < 3; ++axis)
            if (!withinWorldRange(std::fabs(static_cast<double>(placed.position[axis])) + reach))
                fatalError("Crystal " + entry + " is defined incorrectly");
        Crystal* crystal = new Crystal(&placed);
        for (Model* model : crystal->m_lod)
            gDrawList.push_back(model);
        m_crystals.push_back(crystal);
        // The player stands at the level's start by now.
        if (m_player && m_player->bodyOverlaps(crystal->m_boxHalf, crystal->m_boxPose)) {
            const glm::vec3& p = placed.position;
            const glm::vec3& start = m_player->state.position;
            std::cout << "WARNING: [crystals] " << entry << " at (" << p.x << ", " << p.y << ", " << p.z
                      << ") overlaps the lander at its start (" << start.x << ", " << start.y << ", " << start.z
                      << ")" << std::endl;
        }
    }
}

void Game::createFramebuffers()
{
    m_msaaFramebuffer = new Framebuffer(1, m_antialiasing);
    m_resolveFramebuffer = new Framebuffer(2, 0);
}

void Game::cleanup()
{
    if (!m_initialized)
        return;

    if (m_kdTree) {
        for (Model* model : gDrawList) {
            if (!model->m_culling_entity)
                continue;
            if (model->m_culling_entity->node)
                model->m_culling_entity->node->removeEntity(model->m_culling_entity);
            delete model->m_culling_entity;
            model->m_culling_entity = nullptr;
        }
    }
    while (!gDrawList.empty()) {
        Model* model = gDrawList.back();
        gDrawList.pop_back();
        if (model->m_draw_list_owned)
            delete model;
    }
    m_skybox = nullptr;

    while (!m_crawlers.empty()) {
        delete m_crawlers.back();
        m_crawlers.pop_back();
    }
    Crawler::destroyTemplates();
    while (!m_bombs.empty())
        removeBomb(0);
    Bomb::releaseTemplate();
    while (!m_liquids.empty()) {
        delete m_liquids.back();
        m_liquids.pop_back();
    }
    Liquid::freeTextures();
    while (!m_crystals.empty()) {
        delete m_crystals.back();
        m_crystals.pop_back();
    }
    Crystal::destroyTemplates();

    deleteAndClear(m_player);
    initTerrain(false);
    deleteAndClear(m_horizon);
    deleteAndClear(m_hud);
    deleteAndClear(m_compass);
    deleteAndClear(m_particles);
    deleteAndClear(m_lensFlare);
    deleteAndClear(m_quad);
    deleteAndClear(m_texPaused);
    deleteAndClear(m_texMissionFailed);
    deleteAndClear(m_texYouWon);
    deleteAndClear(m_skyCubeMap);
    deleteAndClear(m_texSun);
    deleteAndClear(m_planet);
    deleteAndClear(m_texPlanet);
    deleteAndClear(m_texPlanetSprite);
    deleteAndClear(m_boundsSphere);
    deleteAndClear(m_boundsBox);
    deleteAndClear(m_kdBox);
    if (m_shockwaveVao)
        glDeleteVertexArrays(1, &m_shockwaveVao);
    if (m_quad3dVao)
        glDeleteVertexArrays(1, &m_quad3dVao);
    m_shockwaveVao = m_quad3dVao = 0;
    deleteAndClear(m_kdTree);
    deleteAndClear(m_loadingImage);
    if (m_multisampling) {
        deleteAndClear(m_msaaFramebuffer);
        deleteAndClear(m_resolveFramebuffer);
    }
    if (gSound)
        gSound->releaseLevelSounds();
    m_level.clear();
    m_initialized = false;
}
