#include "scene/Geometry.h"
#include "level/Game.h"

#include <assimp/mesh.h>
#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <unistd.h>

namespace {

bool allFinite(const glm::vec3* v, uint32_t n)
{
    for (uint32_t i = 0; i < n; ++i)
        if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z))
            return false;
    return true;
}

// Every triangle's winding agrees with its vertices' normals (front faces counter-clockwise).
void expectOutwardWinding(const Geometry& g)
{
    for (uint32_t t = 0; t < g.m_triangle_count; ++t) {
        const uint32_t* i = &g.m_indices[3 * t];
        const glm::vec3 face =
            glm::cross(g.m_positions[i[1]] - g.m_positions[i[0]], g.m_positions[i[2]] - g.m_positions[i[0]]);
        if (glm::length(face) < 1e-6f)
            continue; // the sphere's pole rows are degenerate by design
        const glm::vec3 n = g.m_normals[i[0]] + g.m_normals[i[1]] + g.m_normals[i[2]];
        EXPECT_GT(glm::dot(face, n), 0.0f) << "triangle " << t;
    }
}

// A synthetic imported mesh: 4 vertices, faces given as index lists.
struct FakeMesh {
    aiMesh mesh;
    FakeMesh(bool normals, bool uvs, const std::vector<std::vector<unsigned>>& faces)
    {
        mesh.mNumVertices = 4;
        mesh.mVertices = new aiVector3D[4]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        if (normals)
            mesh.mNormals = new aiVector3D[4]{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        if (uvs) {
            mesh.mTextureCoords[0] = new aiVector3D[4]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
            mesh.mNumUVComponents[0] = 2;
        }
        mesh.mNumFaces = static_cast<unsigned>(faces.size());
        mesh.mFaces = new aiFace[faces.size()];
        for (size_t f = 0; f < faces.size(); ++f) {
            mesh.mFaces[f].mNumIndices = static_cast<unsigned>(faces[f].size());
            mesh.mFaces[f].mIndices = new unsigned[faces[f].size()];
            std::copy(faces[f].begin(), faces[f].end(), mesh.mFaces[f].mIndices);
        }
    }
};

} // namespace

TEST(Geometry, ShapesHaveTheirCountsAndFaceOutwards)
{
    BoxGeometry box(2.0f, 4.0f, 6.0f);
    EXPECT_EQ(box.m_vertex_count, 24u);
    EXPECT_EQ(box.m_triangle_count, 12u);
    expectOutwardWinding(box);
    glm::vec3 bounds[2];
    box.getBounds(bounds);
    EXPECT_EQ(bounds[0], glm::vec3(-1.0f, -2.0f, -3.0f));
    EXPECT_EQ(bounds[1], glm::vec3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(box.m_normals[12], glm::vec3(0.0f, 0.0f, 1.0f)); // face 1 starts at K5
    EXPECT_EQ(box.m_uvs[12], glm::vec2(0.0f, 1.0f));

    ConeGeometry cone(0.5f, 0.05f);
    EXPECT_EQ(cone.m_vertex_count, 28u);
    EXPECT_EQ(cone.m_triangle_count, 16u);
    expectOutwardWinding(cone);
    cone.getBounds(bounds);
    EXPECT_NEAR(bounds[1].y, 0.5f, 1e-6f);
    EXPECT_NEAR(bounds[0].y, 0.0f, 1e-6f);

    SphereGeometry grid(1.0f, 32, 32, true, 0.0f);
    EXPECT_EQ(grid.m_vertex_count, 1089u);
    EXPECT_EQ(grid.m_triangle_count, 2048u);
    expectOutwardWinding(grid);
    SphereGeometry poles(1.0f, 16, 16, false, 0.0f);
    EXPECT_EQ(poles.m_vertex_count, 242u);
    EXPECT_EQ(poles.m_triangle_count, 480u);
    expectOutwardWinding(poles);
    EXPECT_EQ(poles.m_positions[241], glm::vec3(0.0f, -1.0f, 0.0f));

    QuadGeometry quad(4.0f, 2.0f, 1.0f, 1.0f);
    EXPECT_EQ(quad.m_positions[3], glm::vec3(2.0f, 1.0f, 0.0f));
    EXPECT_EQ(quad.m_uvs[3], glm::vec2(1.0f, 1.0f));
    expectOutwardWinding(quad);

    CubeGeometry cube;
    EXPECT_TRUE(cube.m_normals_optional);
    EXPECT_EQ(cube.m_normals, nullptr);
    EXPECT_EQ(cube.m_uvs, nullptr);
}

TEST(Geometry, SphereCapIsProjectedFromAbove)
{
    SphereGeometry cap(10.0f, 32, 3, true, 10.0f);
    EXPECT_EQ(cap.m_vertex_count, 4u * 33u);
    glm::vec3 bounds[2];
    cap.getBounds(bounds);
    // a cap of 10 degrees around +y: the lowest ring lies at 80 degrees latitude
    EXPECT_NEAR(bounds[0].y, 10.0f * std::sin(glm::radians(80.0f)), 1e-3f);
    for (uint32_t v = 0; v < cap.m_vertex_count; ++v) {
        EXPECT_NEAR(cap.m_uvs[v].x, 0.05f * cap.m_positions[v].x + 0.5f, 1e-5f);
        EXPECT_NEAR(cap.m_uvs[v].y, 0.05f * cap.m_positions[v].z + 0.5f, 1e-5f);
    }
}

// Whether the ray from `from` along `dir` meets a triangle of the geometry.
bool rayHits(const Geometry& g, const glm::vec3& offset, const glm::vec3& from, const glm::vec3& dir)
{
    for (uint32_t i = 0; i < 3 * g.m_triangle_count; i += 3) {
        const glm::vec3 a = g.m_positions[g.m_indices[i]] + offset;
        const glm::vec3 e1 = g.m_positions[g.m_indices[i + 1]] + offset - a;
        const glm::vec3 e2 = g.m_positions[g.m_indices[i + 2]] + offset - a;
        const glm::vec3 p = glm::cross(dir, e2);
        const float det = glm::dot(e1, p);
        if (std::fabs(det) < 1e-12f)
            continue;
        const glm::vec3 t = from - a;
        const float u = glm::dot(t, p) / det;
        const glm::vec3 q = glm::cross(t, e1);
        const float v = glm::dot(dir, q) / det;
        if (u >= 0.0f && v >= 0.0f && u + v <= 1.0f && glm::dot(e2, q) / det > 0.0f)
            return true;
    }
    return false;
}

TEST(Geometry, HorizonCoversTheWindowOnlyWhereEveryViewRayMeetsIt)
{
    // The horizon as the game builds it, its top at the origin.
    const float radius = 204800.0f;
    const SphereGeometry cap(radius, HORIZON_SLICES, 3, true, HORIZON_CAP_DEGREES);
    const glm::vec3 offset(0.0f, -radius, 0.0f);
    const glm::mat4 projection = glm::perspective(1.0471976f, 1280.0f / 768.0f, 0.1f, 100.0f);
    struct View {
        const char* name;
        glm::vec3 eye, target;
        bool covers;
    };
    const View views[] = {
        {"the overhead view of a crash", {300.0f, 2500.0f, -200.0f}, {300.0f, 0.0f, -199.0f}, true},
        {"looking down steeply", {0.0f, 120.0f, 0.0f}, {0.0f, 0.0f, -60.0f}, true},
        {"high above, near the rim", {33000.0f, 3000.0f, 0.0f}, {33000.0f, 0.0f, 1.0f}, false},
        {"towards the horizon", {0.0f, 60.0f, 0.0f}, {0.0f, 40.0f, -200.0f}, false},
        {"below the ground", {0.0f, -5.0f, 0.0f}, {0.0f, -30.0f, -1.0f}, false},
    };
    for (const View& view : views) {
        SCOPED_TRACE(view.name);
        const glm::mat4 projView = projection * glm::lookAt(view.eye, view.target, glm::vec3(0.0f, 1.0f, 0.0f));
        EXPECT_EQ(horizonCoversWindow(projView, radius, HORIZON_CAP_DEGREES, HORIZON_SLICES), view.covers);
        if (!view.covers)
            continue;
        // Then every ray through the window meets the cap's facets.
        const glm::mat4 clipToWorld = glm::inverse(projView);
        for (int y = 0; y <= 8; ++y) {
            for (int x = 0; x <= 8; ++x) {
                const glm::vec4 far = clipToWorld * glm::vec4(x / 4.0f - 1.0f, y / 4.0f - 1.0f, 1.0f, 1.0f);
                const glm::vec3 dir = glm::vec3(far) / far.w - view.eye;
                EXPECT_TRUE(rayHits(cap, offset, view.eye, dir)) << x << ", " << y;
            }
        }
    }
}

TEST(Geometry, AppendShiftsIndicesAndCopyIsDeep)
{
    BoxGeometry box(1.0f, 1.0f, 1.0f);
    QuadGeometry quad(1.0f, 1.0f, 1.0f, 1.0f);
    box.append(quad);
    EXPECT_EQ(box.m_vertex_count, 28u);
    EXPECT_EQ(box.m_triangle_count, 14u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(box.m_indices[36 + i], quad.m_indices[i] + 24u);
    EXPECT_EQ(box.m_positions[27], quad.m_positions[3]);

    Geometry copy(box);
    EXPECT_EQ(copy.m_vertex_count, 28u);
    EXPECT_NE(copy.m_positions, box.m_positions);
    EXPECT_EQ(copy.m_positions[5], box.m_positions[5]);
    EXPECT_EQ(copy.m_tangents, nullptr);
    EXPECT_FALSE(copy.isUploaded());
}

TEST(Geometry, TransformMovesPositionsAndTurnsNormals)
{
    BoxGeometry box(2.0f, 2.0f, 2.0f);
    const glm::mat4 m = glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 5.0f, 0.0f)),
                                    1.5707964f, glm::vec3(0.0f, 1.0f, 0.0f));
    box.transform(m);
    glm::vec3 bounds[2];
    box.getBounds(bounds);
    EXPECT_NEAR(bounds[0].y, 4.0f, 1e-5f);
    // the +z face now looks along +x
    EXPECT_NEAR(box.m_normals[12].x, 1.0f, 1e-5f);
    EXPECT_NEAR(box.m_normals[12].z, 0.0f, 1e-5f);
}

TEST(Geometry, TangentsFollowTheTextureAndSurviveDegenerateCoordinates)
{
    QuadGeometry quad(2.0f, 2.0f, 1.0f, 1.0f);
    quad.createTangents();
    for (int v = 0; v < 4; ++v) {
        EXPECT_NEAR(quad.m_tangents[v].x, 2.0f, 1e-5f); // 2 units per u, not normalised
        EXPECT_NEAR(quad.m_tangents[v].y, 0.0f, 1e-5f);
    }

    // a box whose texture coordinates all coincide: no triangle has a u direction
    BoxGeometry flat(1.0f, 1.0f, 1.0f);
    for (uint32_t v = 0; v < flat.m_vertex_count; ++v)
        flat.m_uvs[v] = glm::vec2(0.5f, 0.5f);
    flat.createTangents();
    EXPECT_TRUE(allFinite(flat.m_tangents, flat.m_vertex_count));

    // one degenerate triangle next to a good one: the good one still counts
    QuadGeometry mixed(2.0f, 2.0f, 1.0f, 1.0f);
    mixed.m_uvs[3] = mixed.m_uvs[1]; // triangle (3, 2, 0) becomes collinear in u, v
    mixed.createTangents();
    EXPECT_TRUE(allFinite(mixed.m_tangents, 4));
    EXPECT_NEAR(mixed.m_tangents[2].x, 2.0f, 1e-5f);
    EXPECT_EQ(mixed.m_tangents[1], glm::vec3(0.0f)); // only in the degenerate triangle
}

TEST(Geometry, ImportKeepsTrianglesSkipsLinesAndBakesTheTransform)
{
    FakeMesh source(true, true, {{0, 1, 2}, {1, 3}, {2, 3, 0}});
    const glm::mat4 m = glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(10.0f, 0.0f, 0.0f)), glm::vec3(2.0f));
    Geometry g;
    g.fromAssimpMesh(&source.mesh, &m);
    EXPECT_EQ(g.m_vertex_count, 4u);
    EXPECT_EQ(g.m_triangle_count, 2u);
    EXPECT_EQ(g.m_indices[3], 2u);
    EXPECT_EQ(g.m_positions[2], glm::vec3(12.0f, 2.0f, 0.0f));
    EXPECT_EQ(g.m_normals[2], glm::vec3(0.0f, 0.0f, 2.0f)); // not renormalised
    EXPECT_EQ(g.m_uvs[2], glm::vec2(1.0f, 1.0f));
    EXPECT_EQ(g.m_tangents, nullptr);

    FakeMesh bare(true, false, {{0, 1, 2}});
    Geometry h;
    h.fromAssimpMesh(&bare.mesh, nullptr);
    EXPECT_EQ(h.m_uvs[1], glm::vec2(0.0f));
}

TEST(Geometry, ImportWithoutNormalsComputesThem)
{
    FakeMesh source(false, true, {{0, 1, 2}, {2, 3, 0}});
    Geometry g;
    g.fromAssimpMesh(&source.mesh, nullptr);
    ASSERT_NE(g.m_normals, nullptr);
    for (uint32_t v = 0; v < 4; ++v) {
        EXPECT_NEAR(g.m_normals[v].z, 1.0f, 1e-6f);
        EXPECT_NEAR(glm::length(g.m_normals[v]), 1.0f, 1e-6f);
    }
}

TEST(GeometryDeathTest, FatalCases)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    const struct {
        void (*run)();
        int code;
        const char* message;
    } cases[] = {
        {[] { FakeMesh m(true, true, {{0, 1, 2, 3}}); Geometry().fromAssimpMesh(&m.mesh, nullptr); }, 255,
         "ERROR: Model not triangulated\\? mNumIndices = 4"},
        {[] { FakeMesh m(true, true, {{0, 1, 2}, {3}}); Geometry().fromAssimpMesh(&m.mesh, nullptr); }, 255,
         "mNumIndices = 1"},
        {[] {
             Geometry g;
             g.m_vertex_count = 3;
             g.m_positions = new glm::vec3[3];
             g.m_normals = new glm::vec3[3];
             g.createTangents();
         },
         255, "Geometry::createTangents: insufficient data"},
        {[] {
             QuadGeometry quad(1.0f, 1.0f, 1.0f, 1.0f);
             quad.createTangents();
             quad.createTangents();
         },
         255, "tangents already exist"},
        {[] { SphereGeometry sphere(1.0f, 8, 8, false, 10.0f); }, 255, "Sphere cap without texOptimize not implemented"},
        // checked before any GL call, and ends with code 1
        {[] {
             BoxGeometry box(1.0f, 1.0f, 1.0f);
             delete[] box.m_normals;
             box.m_normals = nullptr;
             box.upload();
         },
         1, "ERROR: No normals defined"},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(
            {
                dup2(2, 1);
                c.run();
            },
            testing::ExitedWithCode(c.code), c.message);
}
