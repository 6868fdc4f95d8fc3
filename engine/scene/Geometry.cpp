#include "scene/Geometry.h"

#include "platform/Fatal.h"

#include <assimp/mesh.h>

#include <cmath>
#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr float DEG_TO_RAD = 0.017453292f;
constexpr float HALF_PI = 1.5707964f;

template <typename T>
T* copyArray(const T* source, uint32_t count)
{
    if (!source)
        return nullptr;
    T* copy = new T[count];
    std::copy(source, source + count, copy);
    return copy;
}

// Grows `array` (holding `oldCount` entries) by the other's `addCount` entries.
template <typename T>
void growArray(T*& array, uint32_t oldCount, const T* other, uint32_t addCount)
{
    if (!array)
        return;
    T* grown = new T[oldCount + addCount];
    std::copy(array, array + oldCount, grown);
    if (other)
        std::copy(other, other + addCount, grown + oldCount);
    else
        std::fill(grown + oldCount, grown + oldCount + addCount, T(0));
    delete[] array;
    array = grown;
}

void deleteGlObject(GLuint& name, bool isVertexArray)
{
    if (name == GEOMETRY_NO_GL_OBJECT)
        return;
    if (isVertexArray)
        glDeleteVertexArrays(1, &name);
    else
        glDeleteBuffers(1, &name);
    name = GEOMETRY_NO_GL_OBJECT;
}

template <typename T>
GLuint uploadAttribute(GLuint location, const T* data, uint32_t count, GLint components)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * sizeof(T), data, GL_STATIC_DRAW);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, sizeof(T), nullptr);
    glEnableVertexAttribArray(location);
    return buffer;
}

} // namespace

Geometry::Geometry(const Geometry& other)
    : m_positions(copyArray(other.m_positions, other.m_vertex_count)),
      m_normals(copyArray(other.m_normals, other.m_vertex_count)),
      m_uvs(copyArray(other.m_uvs, other.m_vertex_count)),
      m_tangents(copyArray(other.m_tangents, other.m_vertex_count)),
      m_indices(copyArray(other.m_indices, other.m_triangle_count * 3)),
      m_vertex_count(other.m_vertex_count),
      m_triangle_count(other.m_triangle_count),
      m_normals_optional(other.m_normals_optional)
{
}

Geometry::~Geometry()
{
    delete[] m_positions;
    delete[] m_normals;
    delete[] m_uvs;
    delete[] m_tangents;
    delete[] m_indices;
    deleteGlObject(m_vao, true);
    deleteGlObject(m_position_buffer, false);
    deleteGlObject(m_normal_buffer, false);
    deleteGlObject(m_uv_buffer, false);
    deleteGlObject(m_tangent_buffer, false);
    deleteGlObject(m_index_buffer, false);
}

void Geometry::allocate(uint32_t vertexCount, uint32_t triangleCount, bool normals, bool uvs)
{
    m_vertex_count = vertexCount;
    m_triangle_count = triangleCount;
    m_positions = new glm::vec3[vertexCount];
    if (normals)
        m_normals = new glm::vec3[vertexCount];
    if (uvs)
        m_uvs = new glm::vec2[vertexCount];
    m_indices = new uint32_t[triangleCount * 3];
}

void Geometry::createTangents()
{
    if (m_tangents)
        fatalError("Geometry::createTangents: tangents already exist");
    if (!m_positions || !m_normals || !m_uvs || !m_indices)
        fatalError("Geometry::createTangents: insufficient data");

    m_tangents = new glm::vec3[m_vertex_count];
    uint32_t* counts = new uint32_t[m_vertex_count];
    for (uint32_t v = 0; v < m_vertex_count; ++v) {
        m_tangents[v] = glm::vec3(0.0f);
        counts[v] = 0;
    }

    for (uint32_t t = 0; t < m_triangle_count; ++t) {
        const uint32_t i0 = m_indices[3 * t], i1 = m_indices[3 * t + 1], i2 = m_indices[3 * t + 2];
        const glm::vec3 e1 = m_positions[i1] - m_positions[i0];
        const glm::vec3 e2 = m_positions[i2] - m_positions[i0];
        const float du1 = m_uvs[i1].x - m_uvs[i0].x, dv1 = m_uvs[i1].y - m_uvs[i0].y;
        const float du2 = m_uvs[i2].x - m_uvs[i0].x, dv2 = m_uvs[i2].y - m_uvs[i0].y;
        const float det = du1 * dv2 - du2 * dv1;
        // A triangle whose texture coordinates are collinear has no texture direction;
        // letting it in would spread infinities over its vertices.
        if (!(std::fabs(det) >= 1e-12f))
            continue;
        const float r = 1.0f / det;
        const glm::vec3 tangent = (e1 * dv2 - e2 * dv1) * r;
        for (uint32_t i : {i0, i1, i2}) {
            m_tangents[i] += tangent;
            counts[i] += 1;
        }
    }

    for (uint32_t v = 0; v < m_vertex_count; ++v) {
        if (counts[v] != 0)
            m_tangents[v] /= static_cast<float>(counts[v]);
    }
    delete[] counts;
}

GLuint Geometry::upload()
{
    if (m_vao != GEOMETRY_NO_GL_OBJECT)
        return m_vao;
    if (!m_normals && !m_normals_optional) {
        std::cout << "ERROR: No normals defined" << std::endl;
        consolePause();
        exitNow(1);
    }

    glGenVertexArrays(1, &m_vao);
    glBindVertexArray(m_vao);
    m_position_buffer = uploadAttribute(0, m_positions, m_vertex_count, 3);
    if (m_normals)
        m_normal_buffer = uploadAttribute(1, m_normals, m_vertex_count, 3);
    else
        glDisableVertexAttribArray(1);
    if (m_uvs)
        m_uv_buffer = uploadAttribute(2, m_uvs, m_vertex_count, 2);
    else
        glDisableVertexAttribArray(2);
    if (m_tangents)
        m_tangent_buffer = uploadAttribute(3, m_tangents, m_vertex_count, 3);
    else
        glDisableVertexAttribArray(3);

    glGenBuffers(1, &m_index_buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_index_buffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_triangle_count) * 3 * sizeof(uint32_t),
                 m_indices, GL_STATIC_DRAW);

    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return m_vao;
}

void Geometry::fromAssimpMesh(const aiMesh* mesh, const glm::mat4* transform)
{
    const bool takeTangents = mesh->mTangents && mesh->mBitangents && mesh->mNumVertices > 0;

    uint32_t lines = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const unsigned count = mesh->mFaces[f].mNumIndices;
        if (count == 2)
            lines += 1;
        else if (count != 3)
            fatalError("Model not triangulated? mNumIndices = " + std::to_string(count));
    }

    m_vertex_count = mesh->mNumVertices;
    m_positions = new glm::vec3[m_vertex_count];
    m_normals = new glm::vec3[m_vertex_count];
    m_uvs = new glm::vec2[m_vertex_count];
    if (takeTangents)
        m_tangents = new glm::vec3[m_vertex_count];

    const aiVector3D* uvChannel = mesh->mTextureCoords[0];
    for (uint32_t v = 0; v < m_vertex_count; ++v) {
        const aiVector3D& p = mesh->mVertices[v];
        m_positions[v] = glm::vec3(p.x, p.y, p.z);
        if (mesh->mNormals) {
            const aiVector3D& n = mesh->mNormals[v];
            m_normals[v] = glm::vec3(n.x, n.y, n.z);
        }
        if (takeTangents) {
            const aiVector3D& t = mesh->mTangents[v];
            m_tangents[v] = glm::vec3(t.x, t.y, t.z);
        }
        m_uvs[v] = uvChannel ? glm::vec2(uvChannel[v].x, uvChannel[v].y) : glm::vec2(0.0f);
    }

    if (transform) {
        const glm::mat4& m = *transform;
        for (uint32_t v = 0; v < m_vertex_count; ++v) {
            m_positions[v] = glm::vec3(m * glm::vec4(m_positions[v], 1.0f));
            m_normals[v] = glm::vec3(m * glm::vec4(m_normals[v], 0.0f));
            if (takeTangents)
                m_tangents[v] = glm::vec3(m * glm::vec4(m_tangents[v], 0.0f));
        }
    }

    m_triangle_count = mesh->mNumFaces - lines;
    m_indices = new uint32_t[m_triangle_count * 3];
    uint32_t* out = m_indices;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3)
            continue;
        *out++ = face.mIndices[0];
        *out++ = face.mIndices[1];
        *out++ = face.mIndices[2];
    }

    // A file without vertex normals gets smooth ones from its (already transformed) faces.
    if (!mesh->mNormals)
        computeSmoothNormals();
}

void Geometry::computeSmoothNormals()
{
    if (!m_normals)
        m_normals = new glm::vec3[m_vertex_count];
    for (uint32_t v = 0; v < m_vertex_count; ++v)
        m_normals[v] = glm::vec3(0.0f);
    for (uint32_t t = 0; t < m_triangle_count; ++t) {
        const uint32_t i0 = m_indices[3 * t], i1 = m_indices[3 * t + 1], i2 = m_indices[3 * t + 2];
        const glm::vec3 faceNormal =
            glm::cross(m_positions[i1] - m_positions[i0], m_positions[i2] - m_positions[i0]);
        m_normals[i0] += faceNormal;
        m_normals[i1] += faceNormal;
        m_normals[i2] += faceNormal;
    }
    for (uint32_t v = 0; v < m_vertex_count; ++v) {
        const float length = glm::length(m_normals[v]);
        m_normals[v] = length > 0.0f ? m_normals[v] / length : glm::vec3(0.0f, 1.0f, 0.0f);
    }
}

void Geometry::getBounds(glm::vec3 bounds[2]) const
{
    if (m_vertex_count == 0 || !m_positions) {
        bounds[0] = bounds[1] = glm::vec3(0.0f);
        return;
    }
    bounds[0] = bounds[1] = m_positions[0];
    for (uint32_t v = 1; v < m_vertex_count; ++v) {
        bounds[0] = glm::min(bounds[0], m_positions[v]);
        bounds[1] = glm::max(bounds[1], m_positions[v]);
    }
}

void Geometry::transform(const glm::mat4& matrix)
{
    for (uint32_t v = 0; v < m_vertex_count; ++v) {
        m_positions[v] = glm::vec3(matrix * glm::vec4(m_positions[v], 1.0f));
        if (m_normals)
            m_normals[v] = glm::vec3(matrix * glm::vec4(m_normals[v], 0.0f));
    }
}

void Geometry::append(const Geometry& other)
{
    const uint32_t oldVertices = m_vertex_count;
    const uint32_t addVertices = other.m_vertex_count;
    growArray(m_positions, oldVertices, other.m_positions, addVertices);
    growArray(m_normals, oldVertices, other.m_normals, addVertices);
    growArray(m_uvs, oldVertices, other.m_uvs, addVertices);
    growArray(m_tangents, oldVertices, other.m_tangents, addVertices);

    const uint32_t oldIndexCount = m_triangle_count * 3;
    const uint32_t addIndexCount = other.m_triangle_count * 3;
    if (m_indices) {
        uint32_t* grown = new uint32_t[oldIndexCount + addIndexCount];
        std::copy(m_indices, m_indices + oldIndexCount, grown);
        for (uint32_t i = 0; i < addIndexCount; ++i)
            grown[oldIndexCount + i] = other.m_indices ? other.m_indices[i] + oldVertices : 0;
        delete[] m_indices;
        m_indices = grown;
    }
    m_vertex_count += addVertices;
    m_triangle_count += other.m_triangle_count;
}

BoxGeometry::BoxGeometry(float sizeX, float sizeY, float sizeZ)
{
    allocate(24, 12, true, true);
    const float hx = sizeX * 0.5f, hy = sizeY * 0.5f, hz = sizeZ * 0.5f;
    const glm::vec3 corners[8] = {
        {-hx, -hy, +hz}, {+hx, -hy, +hz}, {+hx, -hy, -hz}, {-hx, -hy, -hz},
        {-hx, +hy, +hz}, {+hx, +hy, +hz}, {+hx, +hy, -hz}, {-hx, +hy, -hz},
    };
    for (int k = 0; k < 8; ++k)
        for (int c = 0; c < 3; ++c)
            m_positions[3 * k + c] = corners[k];

    struct Face {
        uint32_t a, b, c, d;
        glm::vec3 normal;
    };
    const Face faces[6] = {
        {12, 0, 3, 15, {0, 0, 1}},  {16, 4, 6, 18, {1, 0, 0}},  {19, 7, 9, 21, {0, 0, -1}},
        {22, 10, 1, 13, {-1, 0, 0}}, {23, 14, 17, 20, {0, 1, 0}}, {2, 11, 8, 5, {0, -1, 0}},
    };
    uint32_t* out = m_indices;
    for (const Face& f : faces) {
        const uint32_t quad[4] = {f.a, f.b, f.c, f.d};
        const glm::vec2 uv[4] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        for (int i = 0; i < 4; ++i) {
            m_normals[quad[i]] = f.normal;
            m_uvs[quad[i]] = uv[i];
        }
        for (uint32_t index : {f.a, f.b, f.c, f.c, f.d, f.a})
            *out++ = index;
    }
}

CubeGeometry::CubeGeometry()
{
    allocate(8, 12, false, false);
    m_normals_optional = true;
    const glm::vec3 corners[8] = {
        {-1, -1, 1}, {1, -1, 1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1},
    };
    std::copy(corners, corners + 8, m_positions);
    const uint32_t indices[36] = {0, 4, 5, 0, 5, 1, 1, 5, 6, 1, 6, 2, 2, 6, 7, 2, 7, 3,
                                  3, 7, 4, 3, 4, 0, 4, 7, 6, 4, 6, 5, 0, 1, 2, 0, 2, 3};
    std::copy(indices, indices + 36, m_indices);
}

ConeGeometry::ConeGeometry(float height, float radius)
{
    allocate(28, 16, true, true);
    const float quarterPi = 3.14159265f / 4.0f;

    m_positions[0] = glm::vec3(0.0f);
    m_normals[0] = glm::vec3(0.0f, -1.0f, 0.0f);
    m_uvs[0] = glm::vec2(0.5f, 0.5f);
    for (int j = 0; j <= 8; ++j) {
        const float a = static_cast<float>(j % 8) * quarterPi;
        const float c = std::cos(a), s = std::sin(a);
        const glm::vec3 rim(radius * c, 0.0f, -radius * s);
        m_positions[1 + j] = rim;
        m_normals[1 + j] = glm::vec3(0.0f, -1.0f, 0.0f);
        m_uvs[1 + j] = glm::vec2(0.5f + 0.5f * c, 0.5f - 0.5f * s);

        m_positions[10 + j] = rim;
        m_normals[10 + j] = glm::normalize(glm::vec3(rim.x, radius / height, rim.z));
        m_uvs[10 + j] = glm::vec2(static_cast<float>(j) * 0.125f, 0.0f);
    }
    for (int m = 0; m <= 8; ++m) {
        const int next = (10 + m == 18) ? 10 : 11 + m;
        m_positions[19 + m] = glm::vec3(0.0f, height, 0.0f);
        m_normals[19 + m] = (m_normals[10 + m] + m_normals[next]) * 0.5f;
        m_uvs[19 + m] = glm::vec2(m_uvs[10 + m].x, 1.0f);
    }

    uint32_t* out = m_indices;
    for (uint32_t j = 0; j < 8; ++j) {
        *out++ = 0;
        *out++ = j + 2;
        *out++ = j + 1;
    }
    for (uint32_t m = 0; m < 8; ++m) {
        *out++ = 10 + m;
        *out++ = 11 + m;
        *out++ = 19 + m;
    }
}

SphereGeometry::SphereGeometry(float radius, int slices, int stacks, bool texOptimize, float capAngle)
{
    const int n = slices, s = stacks;
    auto point = [radius](float phi, float theta) {
        return glm::vec3(radius * std::cos(theta) * std::cos(phi), radius * std::sin(phi),
                         -radius * std::sin(theta) * std::cos(phi));
    };

    if (texOptimize) {
        allocate(static_cast<uint32_t>((s + 1) * (n + 1)), static_cast<uint32_t>(2 * n * s), true, true);
        const float scale = capAngle != 0.0f ? capAngle / 180.0f : 1.0f;
        for (int i = 0; i <= s; ++i) {
            const float phi = HALF_PI - (180.0f / s) * DEG_TO_RAD * static_cast<float>(i) * scale;
            for (int j = 0; j <= n; ++j) {
                const float theta = (360.0f / n) * DEG_TO_RAD * static_cast<float>(j);
                const uint32_t v = static_cast<uint32_t>(i * (n + 1) + j);
                m_positions[v] = point(phi, theta);
                m_normals[v] = glm::normalize(m_positions[v]);
                if (capAngle != 0.0f)
                    m_uvs[v] = glm::vec2((0.5f / radius) * m_positions[v].x + 0.5f,
                                         (0.5f / radius) * m_positions[v].z + 0.5f);
                else
                    m_uvs[v] = glm::vec2(static_cast<float>(j) / n, static_cast<float>(i) / s);
            }
        }
        uint32_t* out = m_indices;
        for (int i = 0; i < s; ++i) {
            for (int j = 0; j < n; ++j) {
                const uint32_t a = static_cast<uint32_t>(i * (n + 1) + j);
                const uint32_t b = static_cast<uint32_t>((i + 1) * (n + 1) + j);
                const uint32_t c = b + 1, d = a + 1;
                for (uint32_t index : {a, b, c, c, d, a})
                    *out++ = index;
            }
        }
        return;
    }

    if (capAngle != 0.0f)
        fatalError("Sphere cap without texOptimize not implemented");

    allocate(static_cast<uint32_t>((s - 1) * n + 2), static_cast<uint32_t>((2 * s - 2) * n), true, true);
    m_positions[0] = glm::vec3(0.0f, radius, 0.0f);
    m_uvs[0] = glm::vec2(0.0f, 0.0f);
    for (int i = 1; i < s; ++i) {
        const float phi = HALF_PI - (180.0f / s) * DEG_TO_RAD * static_cast<float>(i);
        for (int j = 0; j < n; ++j) {
            const float theta = (360.0f / n) * DEG_TO_RAD * static_cast<float>(j);
            const uint32_t v = static_cast<uint32_t>(1 + (i - 1) * n + j);
            m_positions[v] = point(phi, theta);
            m_uvs[v] = glm::vec2(static_cast<float>(j) / n, static_cast<float>(i) / s);
        }
    }
    const uint32_t south = static_cast<uint32_t>((s - 1) * n + 1);
    m_positions[south] = glm::vec3(0.0f, -radius, 0.0f);
    m_uvs[south] = glm::vec2(0.0f, 1.0f);
    for (uint32_t v = 0; v < m_vertex_count; ++v)
        m_normals[v] = glm::normalize(m_positions[v]);

    const uint32_t un = static_cast<uint32_t>(n);
    uint32_t* out = m_indices;
    for (uint32_t k = 1; k <= un; ++k) {
        *out++ = 0;
        *out++ = k;
        *out++ = (k % un) + 1;
    }
    for (int ring = 1; ring < s - 1; ++ring) {
        const uint32_t first = static_cast<uint32_t>(1 + (ring - 1) * n);
        for (uint32_t j = 0; j < un; ++j) {
            const uint32_t a = first + j, b = first + (j + 1) % un;
            for (uint32_t index : {a, a + un, b + un, b + un, b, a})
                *out++ = index;
        }
    }
    const uint32_t last = static_cast<uint32_t>((s - 2) * n + 1);
    for (uint32_t k = 0; k < un; ++k) {
        *out++ = south;
        *out++ = last + (k + 1) % un;
        *out++ = last + k;
    }
}

QuadGeometry::QuadGeometry(float sizeX, float sizeY, float uScale, float vScale)
{
    allocate(4, 2, true, true);
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            const int v = 2 * j + i;
            m_positions[v] = glm::vec3(i * sizeX - sizeX / 2.0f, j * sizeY - sizeY / 2.0f, 0.0f);
            m_normals[v] = glm::vec3(0.0f, 0.0f, 1.0f);
            m_uvs[v] = glm::vec2(i * uScale, j * vScale);
        }
    }
    const uint32_t indices[6] = {0, 1, 3, 3, 2, 0};
    std::copy(indices, indices + 6, m_indices);
}
