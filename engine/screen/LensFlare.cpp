#include "screen/LensFlare.h"

#include "platform/FrameGlobals.h"
#include "screen/Quad2D.h"
#include "platform/Random.h"
#include "platform/ResizeListeners.h"
#include "gl/Texture.h"

#include <GL/glew.h>

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Which of the four starburst tiles the next starburst element takes; runs on across
// frames and levels so the bursts keep changing places.
int gStarburstVariant = 0;

void flareResized(void* listener, int)
{
    static_cast<LensFlare*>(listener)->onResize();
}

float smoothstep(float edge0, float edge1, float x)
{
    const float t = glm::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float tileValue(int tile, int column, int row)
{
    const float dc = static_cast<float>(column - 127);
    const float dr = static_cast<float>(row - 127);
    const float d = std::sqrt(dc * dc + dr * dr) / 119.0f;
    switch (tile) {
    case 0: // soft disc
        return d <= 1.0f ? (1.0f - d) * (1.0f - d) : 0.0f;
    case 1: { // bright rim
        const float d4 = d * d * d * d;
        float v = d4 * d4 * d4;
        if (d > 1.0f)
            v *= 1.0f - smoothstep(0.99f, 1.03f, d);
        return v;
    }
    case 2: { // radial ramp
        float v = d;
        if (d > 1.0f)
            v *= 1.0f - smoothstep(0.99f, 1.02f, d);
        return v;
    }
    default: { // thin ring
        const float v = std::max(0.0f, 1.0f - 10.0f * std::fabs(d - 0.9f));
        return v * v * v * v;
    }
    }
}

// Eighty random rays from the centre, each a row of soft stamps that fade along it,
// normalised so the burst peaks at 3.0.
void drawStarburst(std::vector<float>& scratch)
{
    const int n = LensFlare::kTileSize;
    std::fill(scratch.begin(), scratch.end(), 0.0f);
    for (int ray = 0; ray < 80; ++ray) {
        const float angle = static_cast<float>(gameRand()) / 32767.0f * 2.0f * glm::pi<float>();
        const float length = static_cast<float>(gameRand()) / 32767.0f * 118.5f + 0.5f;
        const float stepX = std::cos(angle);
        const float stepY = std::sin(angle);
        float x = 127.0f;
        float y = 127.0f;
        for (int i = 0; i < 119; ++i) {
            const float intensity = std::max(0.0f, 1.0f - static_cast<float>(i) / length);
            const float radius = (1.0f - static_cast<float>(i) * 0.5f / 119.0f) * 6.0f;
            const float radius2 = radius * radius;
            for (int j = -6; j <= 5; ++j) {
                const int row = static_cast<int>(y + static_cast<float>(j));
                if (row < 0 || row >= n)
                    continue;
                for (int k = -6; k <= 5; ++k) {
                    const int column = static_cast<int>(x) + k;
                    if (column < 0 || column >= n)
                        continue;
                    float falloff = std::max(0.0f, 1.0f - static_cast<float>(k * k + j * j) / radius2);
                    falloff *= falloff;
                    scratch[static_cast<size_t>(row * n + column)] += falloff * falloff * intensity;
                }
            }
            x += stepX;
            y += stepY;
        }
    }
    const float peak = *std::max_element(scratch.begin(), scratch.end());
    const float factor = peak > 0.0001f ? 3.0f / peak : 1.0f;
    for (float& v : scratch)
        v *= factor;
}

} // namespace

std::vector<float> LensFlare::buildAtlas()
{
    const int n = kTileSize;
    std::vector<float> atlas(static_cast<size_t>(kAtlasWidth) * n, 0.0f);
    auto texel = [&](int tile, int column, int row) -> float& {
        return atlas[static_cast<size_t>(row) * kAtlasWidth + static_cast<size_t>(tile * n + column)];
    };
    for (int tile = 0; tile < 4; ++tile)
        for (int row = 0; row < n; ++row)
            for (int column = 0; column < n; ++column)
                texel(tile, column, row) = tileValue(tile, column, row);

    gameSrand(23);
    std::vector<float> scratch(static_cast<size_t>(n) * n);
    for (int tile = 4; tile < 8; ++tile) {
        drawStarburst(scratch);
        for (int row = 0; row < n; ++row)
            for (int column = 0; column < n; ++column)
                texel(tile, column, row) = scratch[static_cast<size_t>(row * n + column)];
    }
    return atlas;
}

Texture* LensFlare::createTexture()
{
    std::vector<float> atlas = buildAtlas();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R16F, kAtlasWidth, kTileSize, 0, GL_RED, GL_FLOAT, atlas.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return new Texture(name);
}

const std::vector<FlareElement>& LensFlare::elements()
{
    const glm::vec3 white(1.0f);
    static const std::vector<FlareElement> table = {
        {2, 1.3f, 0.04f, white},
        {4, 1.0f, 0.9f, glm::vec3(1.0f, 0.0f, 0.0f)},
        {4, 1.0f, 0.9f, glm::vec3(0.0f, 1.0f, 0.0f)},
        {4, 1.0f, 0.9f, glm::vec3(0.0f, 0.0f, 1.0f)},
        {0, 1.0f, 0.8f, white},
        {3, 1.0f, 0.25f, white},
        {3, 0.95f, 0.1f, white},
        {0, 0.6f, 0.2f, white},
        {2, 0.2f, 0.05f, white},
        {0, -0.1f, 0.04f, white},
        {1, -0.25f, 0.07f, white},
        {4, -0.25f, 0.25f, 0.5f * white},
        {1, -0.4f, 0.02f, white},
        {1, -0.6f, 0.04f, white},
        {2, -1.0f, 0.03f, white},
        {0, 0.0f, 0.0f, glm::vec3(0.0f)},
    };
    return table;
}

bool LensFlare::layout(float sunNdcX, float sunNdcY, int width, int height, std::vector<FlareQuad>& out)
{
    out.clear();
    if (std::fabs(sunNdcX) > 1.3f || std::fabs(sunNdcY) > 1.3f)
        return false;

    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float centreFade = glm::clamp(std::sqrt(sunNdcX * sunNdcX + sunNdcY * sunNdcY) / 1.3f, 0.0f, 1.0f);
    // The sun relative to the screen centre, in pixels.
    const glm::vec2 centre(w / 2.0f, h / 2.0f);
    const glm::vec2 sun((sunNdcX * 0.5f + 0.5f) * w - centre.x, (sunNdcY * 0.5f + 0.5f) * h - centre.y);
    const float len = glm::length(sun);
    // Sizes are fractions of 1024 pixels and the fade distance 800 pixels on a
    // 1280x768 framebuffer, scaled with width + height elsewhere.
    const float span = static_cast<float>(width + height);
    const float fadeDistance = span * 800.0f / 2048.0f;

    for (const FlareElement& element : elements()) {
        FlareQuad quad;
        quad.tile = element.tile;
        if (element.tile == 4) {
            quad.tile = 4 + gStarburstVariant;
            gStarburstVariant = (gStarburstVariant + 1) % 4;
        }
        const float strength = (1.0f - glm::clamp(std::fabs(element.axisPos * len) / fadeDistance, 0.0f, 1.0f)) *
                               (1.0f - centreFade);
        quad.color = element.color * strength;
        quad.size = element.size * span * 1024.0f / 2048.0f;
        quad.corner = centre + element.axisPos * sun - glm::vec2(quad.size / 2.0f);
        out.push_back(quad);
    }
    return true;
}

LensFlare::LensFlare()
{
    quad = new Quad2D(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    texture = createTexture();
    unregisterResizeListener(this);
    registerResizeListener(this, flareResized);
}

LensFlare::~LensFlare()
{
    unregisterResizeListener(this);
    delete texture;
    texture = nullptr;
    delete quad;
    quad = nullptr;
}

void LensFlare::draw(float sunNdcX, float sunNdcY)
{
    std::vector<FlareQuad> quads;
    if (!layout(sunNdcX, sunNdcY, gWindowWidth, gWindowHeight, quads))
        return;

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const glm::vec2 tileScale(1.0f / kTiles, 1.0f);
    for (size_t i = 0; i < quads.size(); ++i) {
        const FlareQuad& q = quads[i];
        const glm::vec2 uvOffset(static_cast<float>(q.tile) / kTiles, 0.0f);
        if (i == 0)
            quad->drawFlare(texture, q.color, q.corner.x, q.corner.y, q.size, q.size, uvOffset, tileScale);
        else
            quad->drawFlareColor(q.color, q.corner.x, q.corner.y, q.size, q.size, uvOffset);
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void LensFlare::onResize()
{
    quad->setRect(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
}
