#include "hud/Hud.h"

#include "app/Globals.h"
#include "hud/Minimap.h"
#include "platform/ResizeListeners.h"
#include "screen/Quad2D.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <GL/glew.h>

#include <algorithm>

namespace {

// Instrument sizes on the HUD design screen.
constexpr float kBarWidth = 555.0f;
constexpr float kBarHeight = 63.0f;
constexpr float kGaugeWidth = 63.0f;
constexpr float kGaugeHeight = 180.0f;
constexpr float kLampSize = 63.0f;
// The fills sit this far inside their frames, at each end.
constexpr float kFillInset = 4.0f;
// Each EMP is this much of the gauge's height.
constexpr float kEmpStep = 36.0f;

void hudResized(void* listener, int)
{
    static_cast<Hud*>(listener)->onResize();
}

// A fill fraction kept to 0..1; anything that is not a number shows as empty, so a
// bad value never cuts a neighbouring picture out of the atlas.
float fraction(float value)
{
    return value > 0.0f ? std::min(value, 1.0f) : 0.0f;
}

// How much of the EMP gauge is lit: one step per EMP ready, and 5 to 28 design
// pixels more while the next one charges.
float empFill(int count, float charge)
{
    if (count >= 5)
        return 1.0f;
    if (count <= 0 && !(charge > 0.0f))
        return 0.0f;
    const float c = charge > 0.0f ? (1.0f - charge) * 5.0f + charge * 28.0f : 0.0f;
    return fraction((kEmpStep * static_cast<float>(std::max(count, 0)) + c) / kGaugeHeight);
}

} // namespace

Hud::Hud()
{
    atlas = new Texture();
    atlas->m_format = GL_RGBA;
    atlas->m_no_mipmaps = true;
    atlas->load(false, "hud/hudnew_hires.png");
    atlas->setDesignScreenSize(gHudDesignSize);
    glBindTexture(GL_TEXTURE_2D, atlas->m_texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    uvFactor = glm::vec2(2.0f / static_cast<float>(atlas->m_width), 2.0f / static_cast<float>(atlas->m_height));
    quad = new Quad2D(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    scale = glm::vec2(static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight)) / gHudDesignSize;
    unregisterResizeListener(this);
    registerResizeListener(this, hudResized);
}

Hud::~Hud()
{
    unregisterResizeListener(this);
    delete atlas;
    delete quad;
}

void Hud::onResize()
{
    quad->setRect(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    scale = glm::vec2(static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight)) / gHudDesignSize;
}

std::vector<HudRect> Hud::layout(const Minimap* minimap) const
{
    const float sx = scale.x, sy = scale.y;
    const float ux = uvFactor.x, uy = uvFactor.y;
    const float windowWidth = static_cast<float>(gWindowWidth);
    std::vector<HudRect> rects;
    auto add = [&rects](float x, float y, float w, float h, glm::vec2 uvOffset, glm::vec2 uvScale) {
        HudRect r;
        r.x = x, r.y = y, r.w = w, r.h = h;
        r.uvOffset = uvOffset;
        r.uvScale = uvScale;
        rects.push_back(r);
    };

    // Radiation bar, centred: the fill slides in from the left as radiation grows,
    // then the frame over it.
    const glm::vec2 barUv(kBarWidth * ux, kBarHeight * uy);
    const float barX = (windowWidth - kBarWidth * sx) / 2.0f;
    const float barY = gHudRadBarY * sy;
    add(barX + kFillInset * sx, barY, kBarWidth * sx - 2.0f * kFillInset * sx, kBarHeight * sy,
        glm::vec2((1.0f - fraction(radiation)) * kBarWidth * ux, 1.0f / 6.0f), barUv);
    add(barX, barY, kBarWidth * sx, kBarHeight * sy, glm::vec2(0.0f, 1.0f / 3.0f), barUv);

    // Helium, then fuel: the fill rises from the bottom, the frame goes over it.
    const glm::vec2 gaugeUv(kGaugeWidth * ux, kGaugeHeight * uy);
    auto gauge = [&](glm::vec2 pos, float value, float fillU, float frameU) {
        add(pos.x * sx, pos.y * sy + kFillInset * sy, kGaugeWidth * sx, kGaugeHeight * sy - 2.0f * kFillInset * sy,
            glm::vec2(fillU, (1.0f - fraction(value)) * kGaugeHeight * uy), gaugeUv);
        add(pos.x * sx, pos.y * sy, kGaugeWidth * sx, kGaugeHeight * sy, glm::vec2(frameU, 0.5f), gaugeUv);
    };
    gauge(gHudPosHelium, helium, 0.95f, 0.4f);
    gauge(gHudPosFuel, fuel, 0.9f, 0.35f);

    // Landing lamps: off, on or not working, one atlas column each.
    for (int i = 0; i < 3; ++i) {
        const int state = !lampsWorking ? 2 : lamps[i] ? 1 : 0;
        add(gHudPosLights[i].x * sx, gHudPosLights[i].y * sy, kLampSize * sx, kLampSize * sy,
            glm::vec2(static_cast<float>(state) * 0.05f, 0.5f + static_cast<float>(2 - i) / 6.0f),
            glm::vec2(kLampSize * ux, kLampSize * uy));
    }

    // EMP gauge: the lit part up to the fill, the empty part above it; the two
    // overlap by a hundredth of the gauge so that no seam shows.
    const float f = empFill(empCount, empCharge);
    const float u = empSpeedReady ? 0.2f : 0.3f;
    const float x = gHudPosEmps.x * sx, y = gHudPosEmps.y * sy;
    const float w = kGaugeWidth * sx, H = kGaugeHeight * sy, V = kGaugeHeight * uy;
    if (f > 0.0f)
        add(x, y, w, H * f, glm::vec2(u, 0.5f), glm::vec2(kGaugeWidth * ux, V * f));
    const float g = f - 0.01f;
    if (g < 1.0f)
        add(x, y + H * g, w, (1.0f - g) * H, glm::vec2(u - 0.05f, 0.5f + V * g), glm::vec2(kGaugeWidth * ux, (1.0f - g) * V));

    if (minimap && minimap->texture && minimapShown) {
        add(gHudPosMap.x * sx, gHudPosMap.y * sy, static_cast<float>(minimap->texture->m_width) * sx,
            static_cast<float>(minimap->texture->m_height) * sy, glm::vec2(0.0f), glm::vec2(1.0f));
        rects.back().texture = minimap->texture;
    }
    return rects;
}

void Hud::draw(const Minimap* minimap)
{
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(quad->shader->m_program);
    quad->shader->setUniform("projMat", quad->projection);
    quad->shader->setUniform("tex", 0);
    glBindVertexArray(quad->vao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, atlas->m_texture);
    for (const HudRect& r : layout(minimap))
        quad->drawRect(r.texture, r.x, r.y, r.w, r.h, r.uvOffset, r.uvScale);
    glBindVertexArray(0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}
