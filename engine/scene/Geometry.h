// One indexed triangle mesh in client memory, and once uploaded its GL vertex array,
// plus the generated shapes the game builds in code (box, sky cube, cone, sphere, quad).
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <cstdint>

struct aiMesh;

// Marks a GL object of a geometry that has not been created; 0 is never used for that.
constexpr GLuint GEOMETRY_NO_GL_OBJECT = 1281;

class Geometry {
public:
    glm::vec3* m_positions = nullptr;
    glm::vec3* m_normals = nullptr;
    glm::vec2* m_uvs = nullptr;
    glm::vec3* m_tangents = nullptr;
    uint32_t* m_indices = nullptr; // three per triangle, counter-clockwise front faces
    uint32_t m_vertex_count = 0;
    uint32_t m_triangle_count = 0;
    bool m_normals_optional = false; // upload accepts a geometry without normals

    GLuint m_vao = GEOMETRY_NO_GL_OBJECT;
    GLuint m_position_buffer = GEOMETRY_NO_GL_OBJECT;
    GLuint m_normal_buffer = GEOMETRY_NO_GL_OBJECT;
    GLuint m_uv_buffer = GEOMETRY_NO_GL_OBJECT;
    GLuint m_tangent_buffer = GEOMETRY_NO_GL_OBJECT;
    GLuint m_index_buffer = GEOMETRY_NO_GL_OBJECT;

    Geometry() = default;
    // Deep copy of the client arrays; the copy is not uploaded.
    Geometry(const Geometry& other);
    Geometry& operator=(const Geometry&) = delete;
    ~Geometry();

    bool isUploaded() const { return m_vao != GEOMETRY_NO_GL_OBJECT; }

    // Per-vertex tangents from positions, texture coordinates and indices.
    void createTangents();
    // Creates the vertex array and buffers on the first call; later calls return it unchanged.
    GLuint upload();
    // Fills an empty geometry from an imported mesh; `transform` (may be null) is baked in.
    void fromAssimpMesh(const aiMesh* mesh, const glm::mat4* transform);
    // Axis-aligned bounds of the positions; the zero box when there are none.
    void getBounds(glm::vec3 bounds[2]) const;
    // Transforms positions and normals in place (tangents stay, nothing is renormalised).
    void transform(const glm::mat4& matrix);
    // Appends the other geometry's vertices and triangles; neither may be uploaded.
    void append(const Geometry& other);

protected:
    void allocate(uint32_t vertexCount, uint32_t triangleCount, bool normals, bool uvs);
    // Smooth normals: the area-weighted sum of the face normals around each vertex.
    void computeSmoothNormals();
};

// Box centred on the origin; every face has its own four vertices and normal.
class BoxGeometry : public Geometry {
public:
    BoxGeometry(float sizeX, float sizeY, float sizeZ);
};

// The sky-box cube from -1 to +1: positions only, faces wound towards the inside.
class CubeGeometry : public Geometry {
public:
    CubeGeometry();
};

// Cone with its base disc at y = 0 facing down and its apex at (0, height, 0), 8 segments.
class ConeGeometry : public Geometry {
public:
    ConeGeometry(float height, float radius);
};

// UV sphere. With texOptimize a grid with a seam (and optionally only a cap of capAngle
// degrees around +y, textured by a projection from above); without, shared poles.
class SphereGeometry : public Geometry {
public:
    SphereGeometry(float radius, int slices, int stacks, bool texOptimize, float capAngle);
};

// Rectangle in the xy plane centred on the origin, facing +z.
class QuadGeometry : public Geometry {
public:
    QuadGeometry(float sizeX, float sizeY, float uScale, float vScale);
};
