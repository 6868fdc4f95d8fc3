#include "level/Heightfield.h"

#include "platform/FrameGlobals.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <IL/il.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <tuple>
#include <vector>

namespace {

// Clamps to [0, last]; a NaN becomes 0, so a bad position reads the first sample.
float clampIndex(float v, int last)
{
    if (!(v >= 0.0f))
        return 0.0f;
    return v > static_cast<float>(last) ? static_cast<float>(last) : v;
}

glm::vec3 safeNormalize(const glm::vec3& v)
{
    const float len = glm::length(v);
    if (!std::isfinite(len) || len <= 0.0f)
        return glm::vec3(0.0f);
    return v / len;
}

Texture* newMap(const std::string& word)
{
    std::cout << word << " " << std::flush;
    auto* texture = new Texture();
    texture->m_no_mipmaps = true;
    return texture;
}

// A one-channel map (light or specular), or none when no file is named.
Texture* loadGrayMap(const std::string& word, const std::string& file)
{
    if (file.empty())
        return nullptr;
    Texture* map = newMap(word);
    map->m_format = GL_LUMINANCE;
    map->load(false, file);
    return map;
}

} // namespace

Heightfield::Heightfield(float patchSize, int xpatches, int zpatches, float minHeight, float maxHeight,
                         int minSubdivisions, int maxSubdivisions, float subdivisionFactor)
    : m_patch_size(patchSize), m_xpatches(xpatches), m_zpatches(zpatches), m_min_height(minHeight),
      m_max_height(maxHeight), m_min_subdivisions(minSubdivisions), m_max_subdivisions(maxSubdivisions),
      m_subdivision_factor(subdivisionFactor)
{
}

Heightfield::~Heightfield()
{
    freeTextures();
}

void Heightfield::loadTextures(const std::string& heights, const std::string& texture, const std::string& normals,
                               const std::string& lightmap, const std::string& specmap)
{
    freeTextures();

    m_heights = newMap("heights");
    m_heights->m_keep_image = true;
    m_heights->loadHeightTexture(heights);

    m_diffuse = newMap("texture");
    m_diffuse->m_format = GL_RGB;
    m_diffuse->load(false, texture);

    if (!normals.empty()) {
        m_normals_map = newMap("normals");
        m_normals_map->m_load_image_only = true;
        m_normals_map->m_keep_image = true;
        m_normals_map->m_format = GL_RGB;
        m_normals_map->load(false, normals);
    }
    m_lightmap = loadGrayMap("lightmap", lightmap);
    m_specmap = loadGrayMap("specmap", specmap);
    makeShaderMaps();
}

namespace {

GLuint newLinearTexture(GLint internalFormat, int w, int h, GLenum format, GLenum type, const void* data)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, w, h, 0, format, type, data);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// The texels of a loaded map as the GL holds them, one format at a time.
std::vector<uint8_t> readTexels(const Texture& map, GLenum format, int channels)
{
    std::vector<uint8_t> texels(static_cast<size_t>(map.m_width) * map.m_height * channels);
    glBindTexture(GL_TEXTURE_2D, map.m_texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

} // namespace

// The terrain is most of every frame, and on a software renderer each texture fetch
// per pixel counts: the light-mapped program reads colour and light in one fetch
// (filtering works channel by channel, so it sees the values of the separate maps),
// and the specular program its normal from one fetch of height differences instead
// of four heights. The specular program takes its colour already lit, together with
// its specular strength, from one fetch too: colour x (0.12 + 1.05 x light) scaled
// into 0..1 by LIT_SCALE (the shader scales it back), and specmap x light in alpha.
// Those products are filtered instead of multiplied after filtering, which differs by
// at most a few levels inside a magnified texel.
void Heightfield::makeShaderMaps()
{
    if (m_lightmap) {
        const std::vector<uint8_t> color = readTexels(*m_diffuse, GL_RGB, 3);
        const std::vector<uint8_t> light = readTexels(*m_lightmap, GL_RED, 1);
        const std::vector<uint8_t> shine = m_specmap ? readTexels(*m_specmap, GL_RED, 1) : std::vector<uint8_t>();
        // A light or specular map of another size than the colour map gives its nearest texel.
        const int w = m_diffuse->m_width, h = m_diffuse->m_height;
        const auto nearest = [&](const std::vector<uint8_t>& map, const Texture& t, int x, int y) {
            return map[static_cast<size_t>(y * t.m_height / h) * t.m_width + static_cast<size_t>(x * t.m_width / w)];
        };
        const auto byte = [](float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
        std::vector<uint8_t> both(static_cast<size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                const uint8_t l = nearest(light, *m_lightmap, x, y);
                if (!m_specmap) {
                    both[4 * i] = color[3 * i];
                    both[4 * i + 1] = color[3 * i + 1];
                    both[4 * i + 2] = color[3 * i + 2];
                    both[4 * i + 3] = l;
                    continue;
                }
                const float lit = (0.12f + 1.05f * (l / 255.0f)) / LIT_SCALE;
                for (int c = 0; c < 3; ++c)
                    both[4 * i + c] = byte(color[3 * i + c] / 255.0f * lit);
                both[4 * i + 3] = byte(nearest(shine, *m_specmap, x, y) / 255.0f * (l / 255.0f));
            }
        }
        m_colorLight = newLinearTexture(GL_RGBA8, m_diffuse->m_width, m_diffuse->m_height, GL_RGBA, GL_UNSIGNED_BYTE,
                                        both.data());
    }
    if (m_lightmap && m_specmap && m_heights->m_image) {
        // Per height sample, in normalised heights: the sample before minus the one
        // after along the columns, and along the rows (the grid's -z side first).
        ilBindImage(m_heights->m_image);
        const auto* s = reinterpret_cast<const uint16_t*>(ilGetData());
        const int w = m_heights->m_width, h = m_heights->m_height;
        const auto at = [&](int x, int y) {
            x = std::clamp(x, 0, w - 1);
            y = std::clamp(y, 0, h - 1);
            return static_cast<float>(s[static_cast<size_t>(y) * w + x]) / 65535.0f;
        };
        std::vector<float> slopes(static_cast<size_t>(w) * h * 2);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                slopes[2 * (static_cast<size_t>(y) * w + x)] = at(x - 1, y) - at(x + 1, y);
                slopes[2 * (static_cast<size_t>(y) * w + x) + 1] = at(x, y + 1) - at(x, y - 1);
            }
        }
        m_slopes = newLinearTexture(GL_RG32F, w, h, GL_RG, GL_FLOAT, slopes.data());
    }
}

void Heightfield::selectShader()
{
    m_matteShader = m_lowestMatteShader = nullptr;
    if (!m_lightmap) {
        m_shader = Shader::get("heightfield");
        m_lowestShader = Shader::get("heightfieldLowest");
    } else if (!m_specmap) {
        m_shader = Shader::get("heightfieldLM");
        m_lowestShader = Shader::get("heightfieldLowestLM");
    } else {
        m_shader = Shader::get("heightfieldLMSM");
        m_lowestShader = Shader::get("heightfieldLowestLMSM");
        m_matteShader = Shader::get("heightfieldLMSMMatte");
        m_lowestMatteShader = Shader::get("heightfieldLowestLMSMMatte");
    }
}

void Heightfield::setExtent(float extentX, float extentZ)
{
    m_extent_x = extentX;
    m_extent_z = extentZ;
    m_inv_extent_x = 1.0f / extentX;
    m_inv_extent_z = 1.0f / extentZ;
}

glm::mat4 Heightfield::gridToWorld() const
{
    return glm::translate(glm::mat4(1.0f),
                          glm::vec3(-m_xpatches * m_patch_size * 0.5f, 0.0f, -m_zpatches * m_patch_size * 0.5f));
}

bool Heightfield::skyWindow(const glm::mat4& projView, glm::ivec2 window, glm::ivec4* rect) const
{
    return m_patches.skyWindow(projView * gridToWorld(), window, rect);
}

namespace {

// Mesa's software rasteriser draws nothing until a flush, and it tessellates and sets
// the triangles up on the main thread: handed over in parts of this many patches, the
// near ground is drawn by the raster threads while the main thread still works out the
// far ground and the rest of the scene (about a fifth more frames a second at the start
// of a level, on eight cores).
//
// The price is memory, and it is the driver's: a flush that finds none of its earlier
// parts finished starts a new one, llvmpipe (Mesa 22.3) keeps up to 64 of them, and an
// idle one frees its binned triangles and lets go of the textures it drew with only
// when it is used again. Five rounds of the whole game left 90 to 230 MB more in use at
// the menu than the same game drawing its ground in one part (textures of levels
// already unloaded among it), and the heap's high-water mark in flight near 450 MB
// against 250.
constexpr int PATCHES_PER_FLUSH = 128;

} // namespace

void Heightfield::render(const glm::mat4& projView, const glm::vec3& playerPos)
{
    const glm::mat4 model = gridToWorld();
    // The camera is the point the projection sends to infinity: (0, 0, 1, 0) in clip
    // space maps back to it.
    const glm::vec4 eye = glm::inverse(projView) * glm::vec4(0.0f, 0.0f, 1.0f, 0.0f);
    const glm::vec3 eyePos = glm::vec3(eye) / eye.w;
    // The projection's vertical scale is the length of projView's second row (the
    // view's rows are unit vectors); times half the viewport it gives pixels.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float yScale = glm::length(glm::vec3(projView[0][1], projView[1][1], projView[2][1]));
    const float pixelsPerUnit = 0.5f * static_cast<float>(viewport[3]) * yScale;

    // What the programs take.
    const auto setUniforms = [&](Shader* shader) {
        const bool tessellates = shader == m_shader || shader == m_matteShader;
        const bool shines = m_lightmap && m_specmap && shader != m_matteShader && shader != m_lowestMatteShader;
        glUseProgram(shader->m_program);
        shader->setUniform("matModel", model);
        shader->setUniform("matProjView", projView);
        shader->setUniform("patchsize", m_patch_size);
        shader->setUniform("xpatches", m_xpatches);
        shader->setUniform("min_height", m_min_height);
        shader->setUniform("max_height", m_max_height);
        if (tessellates) {
            shader->setUniform("min_subdivisions", m_min_subdivisions);
            shader->setUniform("max_subdivisions", m_max_subdivisions);
            shader->setUniform("subdivision_factor", m_subdivision_factor);
            shader->setUniform("pixelsPerUnit", pixelsPerUnit);
        }
        shader->setUniform("zpatches", m_zpatches);
        shader->setUniform("texHeightmap", 0);
        shader->setUniform("texDiffuse", 1);
        shader->setUniform("playerPos", playerPos);
        shader->setUniform("lightDirNormed", gLightDirNormed);
        shader->setUniform("playerShadow", gPlayerShadow != 0.0f ? 1 : 0);
        // The tessellation's levels and the specular shine look from the eye.
        if (tessellates || shines)
            shader->setUniform("eyePos", eyePos);
        if (shines) {
            shader->setUniform("texSlopes", 2);
            // The first and last height samples sit on the grid's borders; a height
            // difference across two samples spans twice their spacing.
            const glm::vec2 samples(static_cast<float>(m_heights->m_width), static_cast<float>(m_heights->m_height));
            const glm::vec2 spacing = glm::vec2(m_xpatches, m_zpatches) * m_patch_size / glm::max(samples - 1.0f, 1.0f);
            const float range = m_max_height - m_min_height;
            shader->setUniform("slopeUV", glm::vec4((samples - 1.0f) / samples, 0.5f / samples));
            shader->setUniform("slopeScale",
                               glm::vec3(range * spacing.y, 2.0f * spacing.x * spacing.y, range * spacing.x));
        }
    };

    if (!m_patches.builtFor(m_xpatches, m_zpatches, m_patch_size, m_min_height, m_max_height)) {
        ilBindImage(m_heights->m_image);
        m_patches.build(reinterpret_cast<const uint16_t*>(ilGetData()), m_heights->m_width, m_heights->m_height,
                        m_xpatches, m_zpatches, m_patch_size, m_min_height, m_max_height);
    }
    // The light-mapped programs take colour and light together on unit 1, and the
    // specular one the height differences on unit 2; the tessellation its patches'
    // slope spreads on unit 3.
    const GLuint units[4] = {m_heights->m_texture, m_colorLight ? m_colorLight : m_diffuse->m_texture, m_slopes,
                             m_patches.slopeSpreadTexture()};
    for (int i = 0; i < 4; ++i) {
        if (!units[i])
            continue;
        glActiveTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, units[i]);
    }
    glActiveTexture(GL_TEXTURE0);

    const glm::vec3 gridEye = glm::vec3(glm::inverse(model) * glm::vec4(eyePos, 1.0f));
    TerrainPatches::LevelRule rule;
    rule.player = glm::vec3(glm::inverse(model) * glm::vec4(playerPos, 1.0f));
    rule.eye = gridEye;
    rule.factor = m_subdivision_factor;
    rule.pixelsPerUnit = pixelsPerUnit;
    rule.minSubdivisions = m_min_subdivisions;
    rule.plainLowest = m_lowestShader != nullptr;
    rule.splitShine = m_matteShader && (m_lowestMatteShader || !m_lowestShader);
    rule.sun = gLightDirNormed;
    const glm::mat4 projViewModel = projView * model;
    const TerrainPatches::Draw draw = m_patches.prepareDraw(m_vao, m_lowestVao, projViewModel, gridEye, rule);
    m_drawn = draw;

    // The near, tessellated patches first, so that they fill the depth buffer before
    // the far ones behind them are shaded; the shiny ones of each kind before the matte.
    if (draw.tessellated > 0)
        glBindVertexArray(m_vao);
    for (const auto& [shader, first, count] :
         {std::tuple(m_shader, 0, draw.tessellatedShiny),
          std::tuple(m_matteShader, draw.tessellatedShiny, draw.tessellated - draw.tessellatedShiny)}) {
        if (count <= 0)
            continue;
        setUniforms(shader);
        for (int done = 0; done < count; done += PATCHES_PER_FLUSH) {
            glDrawArraysInstancedBaseInstance(GL_PATCHES, 0, 4, std::min(PATCHES_PER_FLUSH, count - done),
                                              static_cast<GLuint>(first + done));
            glFlush();
        }
    }
    if (draw.lowestIndices > 0)
        glBindVertexArray(m_lowestVao);
    for (const auto& [shader, first, count] :
         {std::tuple(m_lowestShader, 0, draw.lowestShinyIndices),
          std::tuple(m_lowestMatteShader, draw.lowestShinyIndices, draw.lowestIndices - draw.lowestShinyIndices)}) {
        if (count <= 0)
            continue;
        setUniforms(shader);
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(static_cast<uintptr_t>(first) * sizeof(uint32_t)));
    }
    glBindVertexArray(0);
}

float Heightfield::getHeight(const glm::vec3& pos, glm::vec3* normal) const
{
    ilBindImage(m_heights->m_image);
    const auto* samples = reinterpret_cast<const uint16_t*>(ilGetData());
    const int w = m_heights->m_width;
    const int h = m_heights->m_height;
    const float px = clampIndex((pos.x * m_inv_extent_x + 0.5f) * static_cast<float>(w - 1), w - 1);
    const float pz = clampIndex((0.5f - pos.z * m_inv_extent_z) * static_cast<float>(h - 1), h - 1);
    const int x0 = static_cast<int>(px);
    const int z0 = static_cast<int>(pz);
    const int x1 = x0 + 1 < w ? x0 + 1 : w - 1;
    const int z1 = z0 + 1 < h ? z0 + 1 : h - 1;
    const float fx = px - std::floor(px);
    const float fz = pz - std::floor(pz);

    const float range = m_max_height - m_min_height;
    auto s = [&](int x, int z) { return static_cast<float>(samples[static_cast<size_t>(z) * w + x]); };
    auto heightAt = [&](int x, int z) { return m_min_height + range * s(x, z) * 1.5259022e-05f; };
    const float sample = ((1 - fx) * s(x0, z0) + fx * s(x1, z0)) * (1 - fz) + ((1 - fx) * s(x0, z1) + fx * s(x1, z1)) * fz;
    const float height = m_min_height + range * sample * 1.5259022e-05f;

    if (!normal)
        return height;

    glm::vec3 n(0.0f);
    if (m_normals_map) {
        ilBindImage(m_normals_map->m_image);
        const auto* rgb = static_cast<const uint8_t*>(ilGetData());
        const int wn = m_normals_map->m_width;
        const int hn = m_normals_map->m_height;
        const float pxn = clampIndex((pos.x * m_inv_extent_x + 0.5f) * static_cast<float>(wn - 1), wn - 1);
        const float pzn = clampIndex((0.5f - pos.z * m_inv_extent_z) * static_cast<float>(hn - 1), hn - 1);
        const int col = std::min(static_cast<int>(pxn + 0.5f), wn - 1);
        const int row = std::min(static_cast<int>(pzn + 0.5f), hn - 1);
        const uint8_t* t = rgb + (static_cast<size_t>(row) * wn + col) * 3;
        n = safeNormalize(glm::vec3(t[0] - 128.0f, std::max(t[2] - 128.0f, 0.0f), -(t[1] - 128.0f)));
    } else {
        // On the last column or row the cell has no far side: the edge is taken from
        // the sample before it instead.
        const int xa = x1 == x0 && x0 > 0 ? x0 - 1 : x0;
        const int za = z1 == z0 && z0 > 0 ? z0 - 1 : z0;
        auto X = [&](int x) { return (static_cast<float>(x) / static_cast<float>(w - 1) - 0.5f) * m_extent_x; };
        auto Z = [&](int z) { return -(static_cast<float>(z) / static_cast<float>(h - 1) - 0.5f) * m_extent_z; };
        const glm::vec3 a = safeNormalize(glm::vec3(X(x1) - X(xa), heightAt(x1, z0) - heightAt(xa, z0), 0.0f));
        const glm::vec3 b = safeNormalize(glm::vec3(X(x1) - X(xa), heightAt(x1, z1) - heightAt(xa, z1), 0.0f));
        const glm::vec3 c = safeNormalize(glm::vec3(0.0f, heightAt(x0, z1) - heightAt(x0, za), Z(z1) - Z(za)));
        const glm::vec3 d = safeNormalize(glm::vec3(0.0f, heightAt(x1, z1) - heightAt(x1, za), Z(z1) - Z(za)));
        n = ((1 - fx) * glm::cross(a, c) + fx * glm::cross(a, d)) * (1 - fz) +
            ((1 - fx) * glm::cross(b, c) + fx * glm::cross(b, d)) * fz;
    }
    const float len = glm::length(n);
    *normal = std::isfinite(len) && len > 0.0f ? n : glm::vec3(0.0f, 1.0f, 0.0f);
    return height;
}

void Heightfield::freeTextures()
{
    for (GLuint* made : {&m_colorLight, &m_slopes}) {
        if (*made)
            glDeleteTextures(1, made);
        *made = 0;
    }
    Texture** maps[5] = {&m_heights, &m_diffuse, &m_normals_map, &m_lightmap, &m_specmap};
    for (Texture** map : maps) {
        delete *map;
        *map = nullptr;
    }
}
