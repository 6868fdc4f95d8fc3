// One frame of a level: sky, terrain, the culled draw list, the lander, the resolve of
// the multisampled scene with the shock wave, and the overlays on top.
#include "level/Game.h"

#include "platform/AssetFiles.h"
#include "gl/FramePresenter.h"
#include "gl/GlState.h"
#include "gl/PassTimer.h"
#include "platform/Fatal.h"
#include "screen/Font.h"
#include "gl/Framebuffer.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "scene/KDTree.h"
#include "screen/LensFlare.h"
#include "scene/Light.h"
#include "hud/Compass.h"
#include "scene/Particles.h"
#include "scene/Model.h"
#include "lander/Player.h"
#include "screen/Quad2D.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

// The polygon mode of front faces, put back by the destructor.
class PolygonModeGuard {
public:
    explicit PolygonModeGuard(GLenum mode)
    {
        glGetIntegerv(GL_POLYGON_MODE, m_saved);
        glPolygonMode(GL_FRONT_AND_BACK, mode);
    }
    ~PolygonModeGuard() { glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(m_saved[0])); }
    PolygonModeGuard(const PolygonModeGuard&) = delete;
    PolygonModeGuard& operator=(const PolygonModeGuard&) = delete;

private:
    GLint m_saved[2] = {GL_FILL, GL_FILL};
};

glm::mat4 perspectiveTo(const Camera& camera, float farPlane)
{
    return glm::perspective(camera.fov, camera.aspect, camera.near, farPlane);
}

// A screen sprite ("quad2d") that keeps the depth test on, so the sky's depth state
// hides it behind the scene.
void drawBehindScene(Quad2D& quad, Texture* texture, const glm::vec2& corner, const glm::vec2& size)
{
    glUseProgram(quad.shader->m_program);
    quad.shader->setUniform("projMat", quad.projection);
    quad.shader->setUniform("tex", 0);
    glBindVertexArray(quad.vao);
    quad.drawRect(texture, corner.x, corner.y, size.x, size.y, glm::vec2(0.0f), glm::vec2(1.0f));
}

} // namespace

bool sunVisibleAt(const glm::mat4& projView, const glm::vec3& lightDir, glm::vec2* ndc)
{
    const glm::vec4 s = projView * glm::vec4(lightDir, 0.0f);
    if (!(s.w > 0.0001f))
        return false;
    *ndc = glm::vec2(s.x / s.w, s.y / s.w);
    return std::fabs(ndc->x) < 1.3f && std::fabs(ndc->y) < 1.3f;
}

bool horizonCoversWindow(const glm::mat4& projView, float radius, float capDegrees, int slices)
{
    const glm::mat4 clipToWorld = glm::inverse(projView);
    // The camera is the point the projection sends to infinity.
    const glm::vec4 eye4 = clipToWorld * glm::vec4(0.0f, 0.0f, 1.0f, 0.0f);
    if (!(std::fabs(eye4.w) > 0.0f))
        return false;
    const glm::vec3 eye = glm::vec3(eye4) / eye4.w;
    // Every facet lies above the plane of the rim, and over every point of the disc
    // inside the rim's polygon lies exactly one point of the cap. A view ray that starts
    // above the cap and comes down to the rim's plane inside that disc has crossed the
    // cap on the way, so the cap covers the window once it holds for the four corners.
    const float cap = glm::radians(capDegrees);
    const float rimY = -radius * (1.0f - std::cos(cap));
    const float reach = radius * std::sin(cap) * std::cos(glm::pi<float>() / static_cast<float>(slices));
    const auto inside = [reach](const glm::vec3& p) { return glm::length(glm::vec2(p.x, p.z)) < reach; };
    if (!(eye.y > 0.0f && eye.y < radius) || !inside(eye))
        return false;
    for (const glm::vec2& corner : {glm::vec2(-1.0f, -1.0f), glm::vec2(1.0f, -1.0f), glm::vec2(-1.0f, 1.0f),
                                   glm::vec2(1.0f, 1.0f)}) {
        const glm::vec4 far4 = clipToWorld * glm::vec4(corner, 1.0f, 1.0f);
        const glm::vec3 dir = glm::vec3(far4) / far4.w - eye;
        if (!(dir.y < 0.0f) || !inside(eye + dir * ((rimY - eye.y) / dir.y)))
            return false;
    }
    return true;
}

void Game::drawScreenImage(Texture* image, float relX, float relY)
{
    if (!image)
        return;
    const glm::vec2 inv = image->getInvDesignScreenSize();
    const glm::vec2 size(image->m_width * inv.x * gWindowWidth, image->m_height * inv.y * gWindowHeight);
    const glm::vec2 pos((gWindowWidth - size.x) * relX, (gWindowHeight - size.y) * relY);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    m_quad->draw(image, pos.x, pos.y, size.x, size.y, glm::vec2(0.0f), glm::vec2(1.0f));
    glDisable(GL_BLEND);
}

void Game::drawKdTreeBoxes(const glm::mat4& projView, const glm::vec3& eye)
{
    if (!m_kdTree || !m_kdTree->root)
        return;
    KDNode* root = m_kdTree->root;
    std::vector<KDNode*> nodes;
    if (root->lower) {
        root->lower->collectNodes(nodes);
        root->upper->collectNodes(nodes);
    }
    nodes.push_back(root);
    PolygonModeGuard lines(GL_LINE);
    for (KDNode* node : nodes) {
        if (m_kdNodeToDraw >= 0 && m_kdNodeToDraw != node->id)
            continue;
        m_kdBox->m_model_matrix = glm::translate(glm::mat4(1.0f), (node->min + node->max) * 0.5f) *
                                  glm::scale(glm::mat4(1.0f), node->max - node->min);
        m_kdBox->draw(projView, &eye, nullptr);
    }
}

void Game::drawSky(const glm::mat4& projView, const glm::vec3& eye, const glm::vec2* sunNdc)
{
    PassTimer::lap("sky");
    glUseProgram(m_skybox->m_shader->m_program);
    m_skybox->draw(m_projection * glm::mat4(glm::mat3(m_view)), nullptr, nullptr);

    if (sunNdc) {
        const glm::vec2 inv = m_texSun->getInvDesignScreenSize();
        const glm::vec2 size(48.0f * gWindowWidth * inv.x, 48.0f * gWindowHeight * inv.y);
        const glm::vec2 centre((sunNdc->x * 0.5f + 0.5f) * gWindowWidth, (sunNdc->y * 0.5f + 0.5f) * gWindowHeight);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        drawBehindScene(*m_quad, m_texSun, centre - size / 2.0f, size);
        glDisable(GL_BLEND);
    }

    PassTimer::lap("planet");
    if (m_level.kestrun_mode == 1 && m_planet) {
        const glm::mat4 planetProjView = perspectiveTo(m_camera, m_planet->m_far_distance) * m_view;
        const glm::vec3 diffuse = m_sun->diffuse;
        m_sun->diffuse = diffuse * m_level.kestrun_lightboost;
        m_planet->draw(planetProjView, &eye, m_sun);
        m_sun->diffuse = diffuse;
    } else if (m_level.kestrun_mode == 2 && m_texPlanetSprite) {
        glUseProgram(m_quad3dShader->m_program);
        m_quad3dShader->setUniform("uv_scale", glm::vec2(1.0f));
        m_quad3dShader->setUniform("tex", 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, m_texPlanetSprite->m_texture);
        glBindVertexArray(m_quad3dVao);
        m_quad3dShader->setUniform("mvpMat", projView * glm::translate(glm::mat4(1.0f), m_player->state.position) *
                                                 m_planetSpriteMatrix);
        m_quad3dShader->setUniform("uv_offset", glm::vec2(0.0f));
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
        glDisable(GL_BLEND);
        glBindVertexArray(0);
    }
}

bool Game::drawsSceneOffScreen() const
{
    // Only when something needs the scene there: samples to resolve, or the shock wave,
    // which distorts the finished scene. Otherwise it goes straight into the window.
    return !m_loadingScreen && !m_endSequence && m_multisampling && m_msaaFramebuffer && m_resolveFramebuffer &&
           (m_antialiasing > 0 || m_shockwaveActive);
}

void Game::render()
{
    if (m_loadingScreen || m_endSequence) {
        showLoadingScreen(0);
        return;
    }

    gPlayerPos = m_player->state.position;
    gPlayerShadow = !m_player->exploding && !m_player->destroyed ? 1.0f : 0.0f;
    const bool inSpace = m_player->split && m_player->state.position.y >= m_level.space_min_height;

    PassTimer::lap("clear");
    GlStateSnapshot saved;
    const bool multisampled = drawsSceneOffScreen();
    if (multisampled) {
        saveGlState(m_msaaFramebuffer->m_fbo, &saved);
        glViewport(0, 0, gWindowWidth, gWindowHeight);
    } else {
        FramePresenter::presentWaiting();
    }
    // With the sky drawn whole, the ground or the sky writes every pixel and every
    // sample, so only depth needs clearing; wireframe lines leave gaps between them.
    // Nothing uses the stencil, but the window's depth buffer shares each 32-bit word
    // with it: clearing both lets the driver fill the buffer instead of rewriting
    // every word around the stencil bits it would otherwise have to keep.
    const bool skyFillsWindow = m_renderPass[RENDER_PASS_SKY] && m_skybox && !gWireframe;
    glClear((skyFillsWindow ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT) | GL_STENCIL_BUFFER_BIT);

    m_view = m_camera.getViewMatrix();
    const glm::mat4 projView = m_projection * m_view;
    const glm::vec3 eye = glm::vec3(m_camera.getWorldMatrix() * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    Light* light = m_sun;

    glm::vec2 sunNdc(0.0f);
    const bool sunVisible = sunVisibleAt(projView, gLightDirNormed, &sunNdc);

    // The terrain first: the sky then fills only the pixels it left empty, so what
    // lies behind the ground is never shaded.
    if (!inSpace && m_renderPass[RENDER_PASS_TERRAIN]) {
        PassTimer::lap("terrain");
        m_heightfield->render(projView, m_player->state.position);
    }

    // Where the terrain surely covers the window, the sky is not even rasterised, and
    // when it covers all of it, the sky and what lies in it are not drawn at all.
    glm::ivec4 skyRect(0);
    const bool skyClipped = !inSpace && m_renderPass[RENDER_PASS_TERRAIN] &&
                            m_heightfield->skyWindow(projView, glm::ivec2(gWindowWidth, gWindowHeight), &skyRect);
    const bool skyHidden = skyClipped && (skyRect.z <= 0 || skyRect.w <= 0);

    // Where the horizon covers the whole window it is drawn over everything of the sky.
    const bool horizonHidesSky = m_renderPass[RENDER_PASS_HORIZON] && m_horizon && !gWireframe &&
                                 horizonCoversWindow(projView, m_horizon->m_far_distance, HORIZON_CAP_DEGREES,
                                                     HORIZON_SLICES);

    if (m_renderPass[RENDER_PASS_SKY] && !skyHidden) {
        // Everything of the sky lands on the far plane and passes the depth test only
        // where the depth buffer is still clear; it writes no depth, so its parts
        // still cover each other in the order they are drawn.
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_LEQUAL);
        glDepthRange(1.0, 1.0);
        if (skyClipped) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(skyRect.x, skyRect.y, skyRect.z, skyRect.w);
        }
        if (!horizonHidesSky)
            drawSky(projView, eye, sunVisible ? &sunNdc : nullptr);

        PassTimer::lap("horizon");
        if (m_renderPass[RENDER_PASS_HORIZON] && m_horizon)
            m_horizon->draw(perspectiveTo(m_camera, 2.0f * m_horizon->m_far_distance) * m_view, &eye, light);
        glDisable(GL_SCISSOR_TEST);
        glDepthRange(0.0, 1.0);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_TRUE);
    }

    if (!inSpace) {
        m_cullableCount = 0;
        m_culledCount = 0;
        for (Model* model : gDrawList) {
            if (!model->m_visible || model->m_type < 0 || model->m_type > 5 || !m_renderModelType[model->m_type])
                continue;
            ++m_cullableCount;
            if (m_viewFrustumCulling && m_kdTree && !m_kdTree->isVisible(model->m_culling_entity, m_cullPerEntity)) {
                ++m_culledCount;
                continue;
            }
            if (PassTimer::enabled())
                PassTimer::lap(("models: " + modelTypeName(model->m_type)).c_str());
            model->draw(projView, &eye, light);
            if (m_showBounds && model->m_culling_entity) {
                const CullingEntity& e = *model->m_culling_entity;
                PolygonModeGuard lines(GL_LINE);
                Model* shape = e.isSphere ? m_boundsSphere : m_boundsBox;
                const glm::vec3 scale = e.isSphere ? glm::vec3(e.extent.x) : 2.0f * e.extent;
                shape->m_model_matrix = glm::translate(glm::mat4(1.0f), e.center) * glm::scale(glm::mat4(1.0f), scale);
                shape->draw(projView, &eye, nullptr);
            }
        }
    }

    if (m_showKdBoxes)
        drawKdTreeBoxes(projView, eye);

    if (m_renderPass[RENDER_PASS_RADIATION] && m_radiationTarget > 0.0f) {
        PassTimer::lap("radiation");
        const float q = m_radiationZones / m_radiationTarget;
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        m_quad->drawColor(glm::vec4(0.25f * (1.0f - q), 0.25f * q, 0.0f, m_radFadeMax * m_radiationTarget), 0.0f, 0.0f,
                          static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
        glDisable(GL_BLEND);
    }

    if (m_renderPass[RENDER_PASS_PLAYER] && m_player->activeModel && m_player->activeModel->m_visible) {
        PassTimer::lap("lander");
        m_player->activeModel->draw(projView, &eye, light);
        m_player->drawRcsCones(projView);
    }

    if (m_renderPass[RENDER_PASS_PARTICLES] && m_particles) {
        PassTimer::lap("particles");
        glm::vec3 forward, right, up;
        m_camera.getAxes(&forward, &right, &up);
        m_particles->draw(m_view, m_projection, up, right);
    }

    if (multisampled) {
        // The window is drawn into from here on.
        FramePresenter::presentWaiting();
        PassTimer::lap("resolve");
        // Without the shock wave the samples resolve straight into the window; the
        // shock wave needs the scene as a texture.
        const Framebuffer* target = m_shockwaveActive ? m_resolveFramebuffer : nullptr;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_msaaFramebuffer->m_fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target ? target->m_fbo : static_cast<GLuint>(saved.drawFramebuffer));
        glBlitFramebuffer(0, 0, m_msaaFramebuffer->m_width, m_msaaFramebuffer->m_height, 0, 0,
                          target ? target->m_width : m_msaaFramebuffer->m_width,
                          target ? target->m_height : m_msaaFramebuffer->m_height,
                          target ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, saved.drawFramebuffer);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, saved.readFramebuffer);
        glViewport(saved.viewport[0], saved.viewport[1], saved.viewport[2], saved.viewport[3]);
        glClearColor(saved.clearColor[0], saved.clearColor[1], saved.clearColor[2], saved.clearColor[3]);
        PolygonModeGuard fill(GL_FILL);
        Texture* scene = m_resolveFramebuffer->m_color_texture;
        if (m_shockwaveActive) {
            PassTimer::lap("shock wave");
            const float t = static_cast<float>(glfwGetTime()) - m_shockwaveStart;
            if (t > 1.4f)
                m_shockwaveActive = false;
            glDisable(GL_DEPTH_TEST);
            glUseProgram(m_shockwaveShader->m_program);
            m_shockwaveShader->setUniform("center", m_shockwaveCenter);
            m_shockwaveShader->setUniform("radius", t);
            m_shockwaveShader->setUniform("tex", 0);
            drawTexturedQuad(m_shockwaveVao, scene->m_texture);
            glEnable(GL_DEPTH_TEST);
        }
    }

    PassTimer::lap("lens flare");
    if (m_renderPass[RENDER_PASS_LENS_FLARE] && sunVisible && m_lensFlare)
        m_lensFlare->draw(sunNdc.x, sunNdc.y);

    PassTimer::lap("compass");
    if (m_compass && m_radiation <= m_radCompass && !m_player->destroyed)
        m_compass->draw(m_view, m_projection, m_player->state.position);

    PassTimer::lap("explosion");
    if (m_player->exploding)
        m_player->drawExplosion(projView, &m_camera);

    PassTimer::lap("HUD");
    drawHud();

    PassTimer::lap("overlays");

    if (m_paused) {
        drawScreenImage(m_texPaused, 0.5f, 0.9f);
    } else if (m_missionAccomplished) {
        if (gFontLarge) {
            gFontLarge->restoreStyle();
            gFontLarge->style.color = glm::vec3(1.0f);
            gFontLarge->style.scaleX = gWindowWidth / 1280.0f;
            gFontLarge->style.scaleY = gWindowHeight / 768.0f;
            gFontLarge->style.lowerCaseFactor = 0.33f;
            gFontLarge->style.lineSpacing = 0.5f;
            const char* text = "MISSION ACCOMPLISHED\n  r   restart level\n  n   next level";
            glm::vec2 size(0.0f);
            gFontLarge->render(&size, true, 0.0f, 0.0f, text);
            gFontLarge->renderTop(nullptr, gWindowWidth / 2.0f - size.x / 2.0f, 0.8f * gWindowHeight, text);
        }
    } else if (m_player->destroyed) {
        drawScreenImage(m_texMissionFailed, 0.5f, 0.9f);
    }
}
