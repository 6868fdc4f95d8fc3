#include "hud/Minimap.h"

#include "level/Heightfield.h"
#include "objects/Crawler.h"
#include "level/LevelConfig.h"
#include "platform/Fatal.h"
#include "gl/GlState.h"
#include "screen/Quad2D.h"
#include "gl/Texture.h"

#include <cmath>

namespace {

// Lander and crawler markers, in texture pixels.
constexpr float kMarkerSize = 6.0f;
const glm::vec4 kLanderColor(1.0f, 0.0f, 0.0f, 1.0f);
const glm::vec4 kCrawlerColor(0.8666667f, 0.8666667f, 1.0f, 1.0f);
const glm::vec4 kEmptyCrawlerColor(0.0f, 0.0f, 1.0f, 1.0f);
// The terrain colour is tinted with this where it has a light map.
const glm::vec3 kTerrainTint(0.6745098f, 0.8588235f, 0.8901961f);

// 0 inside `from`, 1 beyond `to`, linear in between. A band of no width is a
// step, and anything that is not a number counts as inside.
float band(float value, float from, float to)
{
    if (to == from)
        return value > from ? 1.0f : 0.0f;
    const float t = (value - from) / (to - from);
    return t > 0.0f ? std::min(t, 1.0f) : 0.0f;
}

float smooth(float t)
{
    return (3.0f - 2.0f * t) * t * t;
}

Texture* renderTarget(int width, int height, GLint filter)
{
    auto* texture = new Texture(width, height);
    glBindTexture(GL_TEXTURE_2D, texture->m_texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

Texture* byteTexture(int width, int height, const std::vector<uint8_t>& rgba)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return new Texture(name);
}

void restoreGlState(const GlStateSnapshot& saved)
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(saved.drawFramebuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(saved.readFramebuffer));
    glViewport(saved.viewport[0], saved.viewport[1], saved.viewport[2], saved.viewport[3]);
    glClearColor(saved.clearColor[0], saved.clearColor[1], saved.clearColor[2], saved.clearColor[3]);
}

} // namespace

Minimap::Minimap(Texture* frameTexture) : frame(frameTexture)
{
    quad = new Quad2D(0.0f, 0.0f, static_cast<float>(size[0]), static_cast<float>(size[1]));
    glGenFramebuffers(1, &framebuffer);
}

Minimap::~Minimap()
{
    if (framebuffer)
        glDeleteFramebuffers(1, &framebuffer);
    delete texture;
    delete background;
    delete quad;
}

Minimap* Minimap::create(Heightfield* terrain, LevelConfig* level, Texture* frame)
{
    auto* minimap = new Minimap(frame);
    glBindFramebuffer(GL_FRAMEBUFFER, minimap->framebuffer);
    minimap->background = minimap->buildBackground(terrain, level, frame);
    minimap->texture = renderTarget(minimap->size[0], minimap->size[1], GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, minimap->framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, minimap->texture->m_texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        fatalError("Minimap: Framebuffer creation failed");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return minimap;
}

glm::vec2 Minimap::mapPoint(float x, float z, float worldWidth, float worldDepth) const
{
    return glm::vec2(static_cast<float>(mapOrigin[0]) + (x + worldWidth / 2.0f) * static_cast<float>(mapSize[0]) / worldWidth,
                     static_cast<float>(mapOrigin[1]) + (worldDepth / 2.0f - z) * static_cast<float>(mapSize[1]) / worldDepth);
}

std::vector<uint8_t> Minimap::fadeImage(float worldWidth, float worldDepth, float minBorder, float maxBorder) const
{
    const float ax = static_cast<float>(mapSize[0]) * (worldWidth / 2.0f + minBorder) / worldWidth;
    const float bx = static_cast<float>(mapSize[0]) * (worldWidth / 2.0f + maxBorder) / worldWidth;
    const float az = static_cast<float>(mapSize[1]) * (worldDepth / 2.0f + minBorder) / worldDepth;
    const float bz = static_cast<float>(mapSize[1]) * (worldDepth / 2.0f + maxBorder) / worldDepth;
    std::vector<uint8_t> image(static_cast<size_t>(size[0]) * size[1] * 4, 0);
    for (int j = 0; j < mapSize[1]; ++j) {
        const float sz = smooth(band(static_cast<float>(std::abs(j - mapSize[1] / 2)), az, bz));
        for (int i = 0; i < mapSize[0]; ++i) {
            const float sx = smooth(band(static_cast<float>(std::abs(i - mapSize[0] / 2)), ax, bx));
            uint8_t* p = &image[(static_cast<size_t>(mapOrigin[1] + j) * size[0] + mapOrigin[0] + i) * 4];
            p[0] = 27;
            p[1] = 73;
            p[2] = 81;
            p[3] = static_cast<uint8_t>(std::min(sx + sz, 1.0f) * 255.0f);
        }
    }
    return image;
}

Texture* Minimap::buildBackground(Heightfield* terrain, LevelConfig* level, Texture* frameTexture)
{
    background = renderTarget(size[0], size[1], GL_NEAREST);

    GlStateSnapshot saved;
    saveGlState(framebuffer, &saved);
    glViewport(0, 0, size[0], size[1]);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, background->m_texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        fatalError("Minimap: Framebuffer creation (2) failed");
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    // The terrain's colour over the map area.
    const float mx = static_cast<float>(mapOrigin[0]), my = static_cast<float>(mapOrigin[1]);
    const float mw = static_cast<float>(mapSize[0]), mh = static_cast<float>(mapSize[1]);
    if (terrain->m_lightmap)
        quad->drawBlend(terrain->m_diffuse, terrain->m_lightmap, kTerrainTint, mx, my, mw, mh, glm::vec2(0.0f),
                        glm::vec2(1.0f));
    else
        quad->draw(terrain->m_diffuse, mx, my, mw, mh, glm::vec2(0.0f), glm::vec2(1.0f));

    // The dark fade towards the edge of the playable area.
    const float worldWidth = terrain->m_patch_size * static_cast<float>(terrain->m_xpatches);
    const float worldDepth = terrain->m_patch_size * static_cast<float>(terrain->m_zpatches);
    Texture* fade = byteTexture(size[0], size[1], fadeImage(worldWidth, worldDepth, level->min_border, level->max_border));
    const float w = static_cast<float>(size[0]), h = static_cast<float>(size[1]);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    quad->draw(fade, 0.0f, 0.0f, w, h, glm::vec2(0.0f), glm::vec2(1.0f));

    // Radiation zones: the outer disc, then the inner one darkening the core.
    Texture* danger = level->radiation_zones.empty() ? nullptr : new Texture(true, "danger.png");
    for (const RadiationZone* zone : level->radiation_zones) {
        for (float r : {zone->world_r1, zone->world_r2}) {
            const glm::vec2 corner = mapPoint(zone->world_x - r, zone->world_z + r, worldWidth, worldDepth);
            quad->draw(danger, corner.x, corner.y, 2.0f * mw * r / worldWidth, 2.0f * mh * r / worldDepth,
                       glm::vec2(0.0f), glm::vec2(1.0f));
        }
    }

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (!frameTexture) {
        Texture* baked = new Texture(true, "hud/minimap.png");
        quad->draw(baked, 0.0f, 0.0f, w, h, glm::vec2(0.0f), glm::vec2(1.0f));
        delete baked;
    }

    glDisable(GL_BLEND);
    restoreGlState(saved);
    delete fade;
    delete danger;
    return background;
}

void Minimap::render(glm::vec3 landerPos, const std::vector<Crawler*>& crawlers, float worldWidth, float worldDepth)
{
    GlStateSnapshot saved;
    saveGlState(framebuffer, &saved);
    glViewport(0, 0, size[0], size[1]);
    const float w = static_cast<float>(size[0]), h = static_cast<float>(size[1]);
    quad->draw(background, 0.0f, 0.0f, w, h, glm::vec2(0.0f), glm::vec2(1.0f));

    // Each marker has its lower left corner on the map point.
    auto marker = [&](float x, float z, const glm::vec4& color) {
        const glm::vec2 p = mapPoint(x, z, worldWidth, worldDepth);
        quad->drawColor(color, p.x, p.y, kMarkerSize, kMarkerSize);
    };
    for (const Crawler* crawler : crawlers)
        marker(crawler->m_position.x, crawler->m_position.z, crawler->m_helium > 0 ? kCrawlerColor : kEmptyCrawlerColor);
    // The lander last, on top.
    marker(landerPos.x, landerPos.z, kLanderColor);

    if (frame) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        quad->draw(frame, 0.0f, 0.0f, w, h, glm::vec2(0.45f, 0.5f),
                   glm::vec2(360.0f / static_cast<float>(frame->m_width), 360.0f / static_cast<float>(frame->m_height)));
        glDisable(GL_BLEND);
    }
    restoreGlState(saved);
}
