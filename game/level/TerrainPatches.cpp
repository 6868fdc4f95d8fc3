#include "level/TerrainPatches.h"

#include <algorithm>
#include <cmath>

TerrainPatches::~TerrainPatches()
{
    for (GLuint* buffer : {&m_buffer, &m_lowestBuffer}) {
        if (*buffer)
            glDeleteBuffers(1, buffer);
    }
    if (m_slopeSpreadTexture)
        glDeleteTextures(1, &m_slopeSpreadTexture);
}

void TerrainPatches::build(const uint16_t* samples, int w, int h, int xpatches, int zpatches, float patchSize,
                           float minHeight, float maxHeight)
{
    m_xpatches = xpatches;
    m_zpatches = zpatches;
    m_patch_size = patchSize;
    m_min_height = minHeight;
    m_max_height = maxHeight;
    m_bounds.assign(static_cast<size_t>(xpatches) * zpatches, glm::vec2(0.0f));
    m_slopeSpreads.assign(m_bounds.size(), 0.0f);
    m_normalCones.assign(m_bounds.size(), glm::vec4(0.0f, 1.0f, 0.0f, 0.0f));
    if (m_slopeSpreadTexture) {
        glDeleteTextures(1, &m_slopeSpreadTexture);
        m_slopeSpreadTexture = 0;
    }
    const float scale = (maxHeight - minHeight) / 65535.0f;
    for (int pz = 0; pz < zpatches; ++pz) {
        // Grid z grows against the image rows; one sample more on each side keeps the
        // box around the filtered heights between samples.
        const int rowLo = std::max(0, static_cast<int>(std::floor((1.0 - (pz + 1.0) / zpatches) * (h - 1))) - 1);
        const int rowHi = std::min(h - 1, static_cast<int>(std::ceil((1.0 - pz / static_cast<double>(zpatches)) * (h - 1))) + 1);
        for (int px = 0; px < xpatches; ++px) {
            const int colLo = std::max(0, static_cast<int>(std::floor(px / static_cast<double>(xpatches) * (w - 1))) - 1);
            const int colHi = std::min(w - 1, static_cast<int>(std::ceil((px + 1.0) / xpatches * (w - 1))) + 1);
            uint16_t lo = 65535, hi = 0;
            for (int row = rowLo; row <= rowHi; ++row) {
                const uint16_t* line = samples + static_cast<size_t>(row) * w;
                for (int col = colLo; col <= colHi; ++col) {
                    lo = std::min(lo, line[col]);
                    hi = std::max(hi, line[col]);
                }
            }
            const float a = minHeight + scale * lo, b = minHeight + scale * hi;
            m_bounds[static_cast<size_t>(pz) * xpatches + px] = glm::vec2(std::min(a, b), std::max(a, b));
        }
    }

    // The slope spread. Between samples the ground is bilinear: in a cell its slope
    // along x runs between the slopes of the cell's two rows, and along z between
    // those of its two columns, so the slopes inside a patch fill a box whose corners
    // come from its samples. A triangle of the cut has its corners on the ground, and
    // the height between them is the corners' mix: where it differs from the ground by
    // d, the slopes along the lines to the corners differ from one another by at least
    // d over the triangle's diameter, which is at most the segment length times the
    // square root of two. So d is at most that times the box's diagonal: the spread.
    const double spacingX = static_cast<double>(xpatches) * patchSize / std::max(w - 1, 1);
    const double spacingZ = static_cast<double>(zpatches) * patchSize / std::max(h - 1, 1);
    const auto sample = [&](int col, int row) { return static_cast<double>(samples[static_cast<size_t>(row) * w + col]); };
    for (int pz = 0; pz < zpatches; ++pz) {
        const int row0 = std::max(0, static_cast<int>(std::floor((1.0 - (pz + 1.0) / zpatches) * (h - 1))));
        const int row1 = std::min(h - 1, static_cast<int>(std::ceil((1.0 - pz / static_cast<double>(zpatches)) * (h - 1))));
        for (int px = 0; px < xpatches; ++px) {
            const int col0 = std::max(0, static_cast<int>(std::floor(px / static_cast<double>(xpatches) * (w - 1))));
            const int col1 = std::min(w - 1, static_cast<int>(std::ceil((px + 1.0) / xpatches * (w - 1))));
            double loX = INFINITY, hiX = -INFINITY, loZ = INFINITY, hiZ = -INFINITY;
            for (int row = row0; row <= row1; ++row) {
                for (int col = col0; col <= col1; ++col) {
                    if (col < col1) {
                        const double s = (sample(col + 1, row) - sample(col, row)) * scale / spacingX;
                        loX = std::min(loX, s);
                        hiX = std::max(hiX, s);
                    }
                    if (row < row1) {
                        const double s = (sample(col, row + 1) - sample(col, row)) * scale / spacingZ;
                        loZ = std::min(loZ, s);
                        hiZ = std::max(hiZ, s);
                    }
                }
            }
            const double spreadX = hiX >= loX ? hiX - loX : 0.0, spreadZ = hiZ >= loZ ? hiZ - loZ : 0.0;
            m_slopeSpreads[static_cast<size_t>(pz) * xpatches + px] =
                static_cast<float>(std::sqrt(2.0) * std::hypot(spreadX, spreadZ));

            // The specular program's normal: the height differences across each sample
            // (one sample to either side, held at the borders), filtered between the
            // samples of the patch, over twice the spacing: (-dh/dx, 1, -dh/dz).
            glm::dvec4 box(INFINITY, -INFINITY, INFINITY, -INFINITY);
            const auto held = [&](int col, int row) { return sample(std::clamp(col, 0, w - 1), std::clamp(row, 0, h - 1)); };
            for (int row = row0; row <= row1; ++row) {
                for (int col = col0; col <= col1; ++col) {
                    const double nx = (held(col - 1, row) - held(col + 1, row)) * scale / (2.0 * spacingX);
                    const double nz = (held(col, row + 1) - held(col, row - 1)) * scale / (2.0 * spacingZ);
                    box = glm::dvec4(std::min(box.x, nx), std::max(box.y, nx), std::min(box.z, nz), std::max(box.w, nz));
                }
            }
            // The normals are (x, 1, z) for (x, z) in that box, so the widest of them from
            // the box's middle stand at its corners.
            const glm::vec3 axis = glm::normalize(glm::vec3(0.5 * (box.x + box.y), 1.0, 0.5 * (box.z + box.w)));
            float widest = 0.0f;
            for (int corner = 0; corner < 4; ++corner) {
                const glm::vec3 n = glm::normalize(glm::vec3(corner & 1 ? box.y : box.x, 1.0, corner & 2 ? box.w : box.z));
                widest = std::max(widest, std::acos(std::clamp(glm::dot(n, axis), -1.0f, 1.0f)));
            }
            m_normalCones[static_cast<size_t>(pz) * xpatches + px] = glm::vec4(axis, widest);
        }
    }

    // The heights of the half-patch grid as the shaders read them (bilinear between
    // samples, row 0 of the image at the grid's far +z side), and how far each middle
    // of a lowest-level patch stands off the straight line or triangle it would be
    // left out of.
    const int row = 2 * xpatches + 1;
    const auto sampleAt = [&](double col, double line) {
        const int c0 = std::clamp(static_cast<int>(std::floor(col)), 0, w - 1), c1 = std::min(c0 + 1, w - 1);
        const int r0 = std::clamp(static_cast<int>(std::floor(line)), 0, h - 1), r1 = std::min(r0 + 1, h - 1);
        const double fc = col - c0, fr = line - r0;
        const auto at = [&](int c, int r) { return static_cast<double>(samples[static_cast<size_t>(r) * w + c]); };
        return (at(c0, r0) * (1 - fc) + at(c1, r0) * fc) * (1 - fr) + (at(c0, r1) * (1 - fc) + at(c1, r1) * fc) * fr;
    };
    std::vector<float> half(static_cast<size_t>(row) * (2 * zpatches + 1));
    for (int gz = 0; gz <= 2 * zpatches; ++gz)
        for (int gx = 0; gx <= 2 * xpatches; ++gx)
            half[static_cast<size_t>(gz) * row + gx] = static_cast<float>(
                minHeight + scale * sampleAt(gx / (2.0 * xpatches) * (w - 1), (1.0 - gz / (2.0 * zpatches)) * (h - 1)));
    m_middleErrors.assign(m_bounds.size(), glm::vec4(0.0f));
    m_centreErrors.assign(m_bounds.size(), 0.0f);
    for (int pz = 0; pz < zpatches; ++pz) {
        for (int px = 0; px < xpatches; ++px) {
            const auto height = [&](int dx, int dz) { return half[static_cast<size_t>(2 * pz + dz) * row + 2 * px + dx]; };
            const auto off = [&](int mx, int mz, int ax, int az, int bx, int bz) {
                return std::fabs(height(mx, mz) - 0.5f * (height(ax, az) + height(bx, bz)));
            };
            const size_t i = static_cast<size_t>(pz) * xpatches + px;
            // The edges in the order of the draw: x = 0, z = 2, x = 2, z = 0 (in halves).
            m_middleErrors[i] = glm::vec4(off(0, 1, 0, 0, 0, 2), off(1, 2, 0, 2, 2, 2), off(2, 1, 2, 0, 2, 2),
                                          off(1, 0, 0, 0, 2, 0));
            m_centreErrors[i] = off(1, 1, 0, 0, 2, 2);
        }
    }
}

GLuint TerrainPatches::slopeSpreadTexture()
{
    if (!m_slopeSpreadTexture && !m_slopeSpreads.empty()) {
        glGenTextures(1, &m_slopeSpreadTexture);
        glBindTexture(GL_TEXTURE_2D, m_slopeSpreadTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, m_xpatches, m_zpatches, 0, GL_RED, GL_FLOAT, m_slopeSpreads.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return m_slopeSpreadTexture;
}

bool TerrainPatches::builtFor(int xpatches, int zpatches, float patchSize, float minHeight, float maxHeight) const
{
    return !m_bounds.empty() && m_xpatches == xpatches && m_zpatches == zpatches && m_patch_size == patchSize &&
           m_min_height == minHeight && m_max_height == maxHeight;
}

void TerrainPatches::select(const glm::mat4& projViewModel, const glm::vec3& eye, std::vector<int32_t>* order) const
{
    // The six clip planes as rows of the matrix: a point is inside when every
    // plane(p) = dot(plane.xyz, p) + plane.w is at least 0.
    const glm::mat4 t = glm::transpose(projViewModel);
    const glm::vec4 planes[6] = {t[3] + t[0], t[3] - t[0], t[3] + t[1], t[3] - t[1], t[3] + t[2], t[3] - t[2]};
    std::vector<std::pair<float, int32_t>> keys;
    for (int pz = 0; pz < m_zpatches; ++pz) {
        for (int px = 0; px < m_xpatches; ++px) {
            const int index = pz * m_xpatches + px;
            const glm::vec2 heights = m_bounds[static_cast<size_t>(index)];
            const glm::vec3 lo(px * m_patch_size, heights.x, pz * m_patch_size);
            const glm::vec3 hi((px + 1) * m_patch_size, heights.y, (pz + 1) * m_patch_size);
            bool inside = true;
            for (const glm::vec4& plane : planes) {
                // The box corner farthest along the plane's normal.
                const glm::vec3 far(plane.x >= 0.0f ? hi.x : lo.x, plane.y >= 0.0f ? hi.y : lo.y,
                                    plane.z >= 0.0f ? hi.z : lo.z);
                if (glm::dot(glm::vec3(plane), far) + plane.w < 0.0f) {
                    inside = false;
                    break;
                }
            }
            if (!inside)
                continue;
            const glm::vec3 nearest = glm::clamp(eye, lo, hi);
            const glm::vec3 d = nearest - eye;
            keys.emplace_back(glm::dot(d, d), index);
        }
    }
    std::sort(keys.begin(), keys.end());
    order->clear();
    for (const auto& key : keys)
        order->push_back(key.second);
}

// The visible part of a view ray runs from its point on the near plane to its point on
// the far plane. When all of the near plane lies above the ground under it, and the
// ray passes below the lowest height of the terrain inside the terrain's square before
// the far plane, the ground (continuous inside the square) must cross the visible part
// of the ray: the pixel shows terrain.
bool TerrainPatches::rayCovered(const glm::mat4& clipToGrid, float x, float y) const
{
    const glm::vec4 n = clipToGrid * glm::vec4(x, y, -1.0f, 1.0f);
    const glm::vec4 f = clipToGrid * glm::vec4(x, y, 1.0f, 1.0f);
    if (!(n.w > 0.0f) || !(f.w > 0.0f))
        return false;
    const glm::vec3 nearPoint = glm::vec3(n) / n.w, farPoint = glm::vec3(f) / f.w;
    if (!(nearPoint.y > m_min_height) || !(farPoint.y < m_min_height))
        return false;
    const float t = (nearPoint.y - m_min_height) / (nearPoint.y - farPoint.y);
    const glm::vec3 ground = nearPoint + t * (farPoint - nearPoint);
    return ground.x >= 0.0f && ground.z >= 0.0f && ground.x <= m_xpatches * m_patch_size &&
           ground.z <= m_zpatches * m_patch_size;
}

bool TerrainPatches::nearPlaneAboveGround(const glm::mat4& clipToGrid) const
{
    glm::vec3 lo(INFINITY), hi(-INFINITY);
    for (int corner = 0; corner < 4; ++corner) {
        const glm::vec4 p = clipToGrid * glm::vec4(corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f, -1.0f, 1.0f);
        if (!(p.w > 0.0f))
            return false;
        lo = glm::min(lo, glm::vec3(p) / p.w);
        hi = glm::max(hi, glm::vec3(p) / p.w);
    }
    const int x0 = static_cast<int>(std::floor(lo.x / m_patch_size)), x1 = static_cast<int>(std::floor(hi.x / m_patch_size));
    const int z0 = static_cast<int>(std::floor(lo.z / m_patch_size)), z1 = static_cast<int>(std::floor(hi.z / m_patch_size));
    if (x0 < 0 || z0 < 0 || x1 >= m_xpatches || z1 >= m_zpatches)
        return false;
    for (int pz = z0; pz <= z1; ++pz) {
        for (int px = x0; px <= x1; ++px) {
            if (!(lo.y > m_bounds[static_cast<size_t>(pz) * m_xpatches + px].y))
                return false;
        }
    }
    return true;
}

// The window points whose rays pass the terrain's lowest square form one convex region
// (that square seen through the window), so a window row is covered when both its ends
// are, and every row between two covered lines is covered too: lines are tested every
// few pixels, rows and columns alike.
bool TerrainPatches::skyWindow(const glm::mat4& projViewModel, glm::ivec2 window, glm::ivec4* rect) const
{
    if (m_bounds.empty() || window.x < 1 || window.y < 1)
        return false;
    const glm::mat4 clipToGrid = glm::inverse(projViewModel);
    if (!nearPlaneAboveGround(clipToGrid))
        return false;
    const int step = 8;
    // Lowest and highest uncovered window line along one axis.
    const auto span = [&](int size, bool rows, int* lo, int* hi) {
        *lo = size;
        *hi = 0;
        for (int a = 0; a < size; a += step) {
            const int b = std::min(a + step, size);
            bool covered = true;
            for (int edge : {a, b}) {
                const float t = 2.0f * static_cast<float>(edge) / static_cast<float>(size) - 1.0f;
                covered = covered && (rows ? rayCovered(clipToGrid, -1.0f, t) && rayCovered(clipToGrid, 1.0f, t)
                                           : rayCovered(clipToGrid, t, -1.0f) && rayCovered(clipToGrid, t, 1.0f));
            }
            if (!covered) {
                *lo = std::min(*lo, a);
                *hi = std::max(*hi, b);
            }
        }
    };
    int y0, y1, x0, x1;
    span(window.y, true, &y0, &y1);
    span(window.x, false, &x0, &x1);
    *rect = y0 < y1 && x0 < x1 ? glm::ivec4(x0, y0, x1 - x0, y1 - y0) : glm::ivec4(0);
    return true;
}

glm::vec3 TerrainPatches::levelBounds(int patch, const glm::mat4& projViewModel, const LevelRule& rule) const
{
    const int px = patch % m_xpatches, pz = patch / m_xpatches;
    const glm::vec2 heights = m_bounds[static_cast<size_t>(patch)];
    const glm::vec3 lo(px * m_patch_size, heights.x, pz * m_patch_size);
    const glm::vec3 hi((px + 1) * m_patch_size, heights.y, (pz + 1) * m_patch_size);
    // Every edge's middle lies in the patch's box: the highest level any edge can get
    // comes from the box's nearest point to the player, its least depth and the
    // steepest view ray from the eye into it.
    const glm::vec3 d = glm::clamp(rule.player, lo, hi) - rule.player;
    glm::vec3 bounds(rule.factor * m_patch_size / std::max(std::sqrt(glm::dot(d, d)), 1e-3f), INFINITY, 1.0f);
    const glm::vec4 depthRow(projViewModel[0][3], projViewModel[1][3], projViewModel[2][3], projViewModel[3][3]);
    const glm::vec3 nearest(depthRow.x >= 0.0f ? lo.x : hi.x, depthRow.y >= 0.0f ? lo.y : hi.y,
                            depthRow.z >= 0.0f ? lo.z : hi.z);
    const float depth = glm::dot(glm::vec3(depthRow), nearest) + depthRow.w;
    if (!(depth > 0.0f))
        return bounds;
    // The sine of the angle from the vertical: at most the farthest reach across over
    // the least distance.
    const glm::vec3 e = glm::clamp(rule.eye, lo, hi) - rule.eye;
    const float nearestToEye = std::sqrt(glm::dot(e, e));
    const glm::vec2 across(std::max(std::fabs(rule.eye.x - lo.x), std::fabs(rule.eye.x - hi.x)),
                           std::max(std::fabs(rule.eye.z - lo.z), std::fabs(rule.eye.z - hi.z)));
    const float sine = nearestToEye > 0.0f ? std::min(1.0f, glm::length(across) / nearestToEye) : 1.0f;
    bounds.y = m_patch_size * rule.pixelsPerUnit * sine / depth * std::min(edgeSpread(patch), 1.0f);
    bounds.z = sine;
    return bounds;
}

float TerrainPatches::edgeSpread(int patch) const
{
    // An edge takes the larger spread of the patches on its two sides.
    const int px = patch % m_xpatches, pz = patch / m_xpatches;
    float spread = m_slopeSpreads[static_cast<size_t>(patch)];
    if (px > 0)
        spread = std::max(spread, m_slopeSpreads[static_cast<size_t>(patch - 1)]);
    if (px + 1 < m_xpatches)
        spread = std::max(spread, m_slopeSpreads[static_cast<size_t>(patch + 1)]);
    if (pz > 0)
        spread = std::max(spread, m_slopeSpreads[static_cast<size_t>(patch - m_xpatches)]);
    if (pz + 1 < m_zpatches)
        spread = std::max(spread, m_slopeSpreads[static_cast<size_t>(patch + m_xpatches)]);
    return spread;
}

bool TerrainPatches::mayShine(int patch, const glm::vec3& eye, const glm::vec3& sun) const
{
    // The shine is x^40 of the cosine between the normal N and the half-way vector H of
    // the sun and the view: beyond the angle whose cosine is 0.8 it stays under 0.0002,
    // a fiftieth of a level of colour. N lies in the patch's normal cone; the view V
    // in the cone of directions from the patch's box (in a ball round its middle) to
    // the eye; and H turns by at most the turn of V over |sun + V|, which is at least
    // |sun + v0| less that turn. Where the cones cannot be told apart (the eye inside
    // the ball, the sun behind the view), the patch may shine.
    const float beyondShine = 0.6435011f; // acos(0.8)
    const int px = patch % m_xpatches, pz = patch / m_xpatches;
    const glm::vec2 heights = m_bounds[static_cast<size_t>(patch)];
    const glm::vec3 lo(px * m_patch_size, heights.x, pz * m_patch_size);
    const glm::vec3 hi((px + 1) * m_patch_size, heights.y, (pz + 1) * m_patch_size);
    const glm::vec3 toEye = eye - 0.5f * (lo + hi);
    const float distance = glm::length(toEye), radius = 0.5f * glm::length(hi - lo);
    if (!(distance > radius))
        return true;
    // asin(radius / distance), or less than pi / 2 times the ratio.
    const float viewCone = 1.5707964f * radius / distance;
    const glm::vec3 v0 = toEye / distance;
    const float reach = glm::length(sun + v0) - viewCone;
    if (!(reach > 0.1f))
        return true;
    const glm::vec4 normals = m_normalCones[static_cast<size_t>(patch)];
    const float limit = normals.w + viewCone / reach + beyondShine;
    if (!(limit < 3.1415926f))
        return true;
    return glm::dot(glm::vec3(normals), glm::normalize(sun + v0)) >= std::cos(limit);
}

TerrainPatches::Draw TerrainPatches::prepareDraw(GLuint tessVao, GLuint lowestVao, const glm::mat4& projViewModel,
                                                 const glm::vec3& eye, const LevelRule& rule)
{
    select(projViewModel, eye, &m_order);
    // The bounds stay a little below the levels, clear of the stage's rounding.
    const float lowest = 1.99f;
    // Per patch: -1 when tessellated, else the pixels a height error of 1 can move its
    // ground by on screen at the most (0 for a patch out of view, which shows nothing).
    // A patch seen at a slant (view rays less than 45 degrees off the horizontal) can
    // stand against the sky or against ground farther away, where any shift of its
    // outline shows in the pixels along it: it keeps every point (infinite factor).
    m_screenFactors.assign(m_bounds.size(), 0.0f);
    m_tessellated.clear();
    m_plainOrder.clear();
    m_matteTessellated.clear();
    m_mattePlain.clear();
    for (int32_t patch : m_order) {
        const bool matte = rule.splitShine && !mayShine(patch, rule.eye, rule.sun);
        const glm::vec3 bounds = rule.plainLowest && rule.minSubdivisions <= 2
                                     ? levelBounds(patch, projViewModel, rule)
                                     : glm::vec3(INFINITY);
        if (std::min(bounds.x, bounds.y) > lowest) {
            (matte ? m_matteTessellated : m_tessellated).push_back(patch);
            m_screenFactors[static_cast<size_t>(patch)] = -1.0f;
            continue;
        }
        (matte ? m_mattePlain : m_plainOrder).push_back(patch);
        // Pixels per unit of height: the screen bound without the spread.
        const float spread = std::min(edgeSpread(patch), 1.0f);
        const bool steep = bounds.z <= 0.7071f && spread > 0.0f;
        m_screenFactors[static_cast<size_t>(patch)] =
            steep && std::isfinite(bounds.y) ? bounds.y / (m_patch_size * spread) : INFINITY;
    }

    // A lowest-level patch is cut in half both ways, and its eight triangles fan round
    // its centre, as the tessellator makes them, each facing up. Where leaving a middle
    // out moves the ground on screen by no more than a quarter of a pixel, it is left
    // out: on an edge when the patches on both sides go as plain triangles (each side
    // decides alike), and at the centre when all four edges are uncut too (two
    // triangles). An infinite factor keeps every middle.
    const auto hidden = [](float error, float factor) {
        const float invisible = 0.25f; // pixels
        return std::isfinite(factor) && error * factor <= invisible;
    };
    m_lowestIndices.clear();
    const uint32_t row = static_cast<uint32_t>(2 * m_xpatches + 1);
    const auto factorAt = [&](int px, int pz) {
        const bool inGrid = px >= 0 && pz >= 0 && px < m_xpatches && pz < m_zpatches;
        return inGrid ? m_screenFactors[static_cast<size_t>(pz) * m_xpatches + px] : 0.0f;
    };
    // The shiny patches first, then the matte ones, each kind nearest first.
    const size_t shinyTessellated = m_tessellated.size(), shinyPlain = m_plainOrder.size();
    m_tessellated.insert(m_tessellated.end(), m_matteTessellated.begin(), m_matteTessellated.end());
    m_plainOrder.insert(m_plainOrder.end(), m_mattePlain.begin(), m_mattePlain.end());
    size_t shinyIndices = 0;
    for (size_t i = 0; i < m_plainOrder.size(); ++i) {
        if (i == shinyPlain)
            shinyIndices = m_lowestIndices.size();
        const int32_t patch = m_plainOrder[i];
        const int px = patch % m_xpatches, pz = patch / m_xpatches;
        const uint32_t x = 2 * static_cast<uint32_t>(px), z = 2 * static_cast<uint32_t>(pz);
        const auto at = [&](uint32_t dx, uint32_t dz) { return (z + dz) * row + x + dx; };
        const float self = m_screenFactors[static_cast<size_t>(patch)];
        const glm::vec4 errors = m_middleErrors[static_cast<size_t>(patch)];
        // The edges x = 0, z = 2, x = 2 and z = 0 of the patch, counter-clockwise seen
        // from above, and the patch beyond each.
        const float beyond[4] = {factorAt(px - 1, pz), factorAt(px, pz + 1), factorAt(px + 1, pz),
                                 factorAt(px, pz - 1)};
        bool cut[4];
        for (int edge = 0; edge < 4; ++edge)
            cut[edge] = !(beyond[edge] >= 0.0f && hidden(errors[edge], std::max(self, beyond[edge])));
        if (!cut[0] && !cut[1] && !cut[2] && !cut[3] && hidden(m_centreErrors[static_cast<size_t>(patch)], self)) {
            m_lowestIndices.insert(m_lowestIndices.end(),
                                   {at(0, 0), at(0, 2), at(2, 2), at(0, 0), at(2, 2), at(2, 0)});
            continue;
        }
        const uint32_t corners[4] = {at(0, 0), at(0, 2), at(2, 2), at(2, 0)};
        const uint32_t middles[4] = {at(0, 1), at(1, 2), at(2, 1), at(1, 0)};
        uint32_t rim[9];
        int n = 0;
        for (int edge = 0; edge < 4; ++edge) {
            rim[n++] = corners[edge];
            if (cut[edge])
                rim[n++] = middles[edge];
        }
        rim[n] = rim[0];
        for (int i = 0; i < n; ++i)
            m_lowestIndices.insert(m_lowestIndices.end(), {rim[i], rim[i + 1], at(1, 1)});
    }

    // Fresh stores each frame, so the driver never waits for last frame's draw.
    if (!m_buffer)
        glGenBuffers(1, &m_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_tessellated.size() * sizeof(int32_t)),
                 m_tessellated.data(), GL_STREAM_DRAW);
    if (m_boundVao != tessVao) {
        glBindVertexArray(tessVao);
        glEnableVertexAttribArray(0);
        glVertexAttribIPointer(0, 1, GL_INT, 0, nullptr);
        glVertexAttribDivisor(0, 1);
        glBindVertexArray(0);
        m_boundVao = tessVao;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    if (!m_lowestBuffer)
        glGenBuffers(1, &m_lowestBuffer);
    glBindVertexArray(lowestVao);
    if (m_boundLowestVao != lowestVao) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_lowestBuffer);
        m_boundLowestVao = lowestVao;
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_lowestIndices.size() * sizeof(uint32_t)),
                 m_lowestIndices.data(), GL_STREAM_DRAW);
    glBindVertexArray(0);

    if (shinyPlain == m_plainOrder.size())
        shinyIndices = m_lowestIndices.size();
    Draw draw;
    draw.tessellated = static_cast<int>(m_tessellated.size());
    draw.lowestIndices = static_cast<int>(m_lowestIndices.size());
    draw.tessellatedShiny = static_cast<int>(shinyTessellated);
    draw.lowestShinyIndices = static_cast<int>(shinyIndices);
    return draw;
}
