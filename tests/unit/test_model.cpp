// Model bookkeeping, bounds, merging and logs, without a GL context (nothing is uploaded).
#include "platform/AssetFiles.h"
#include "scene/KDTree.h"
#include "scene/Model.h"
#include "gl/Texture.h"
#include "TempDir.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

namespace {

Mesh* boxMesh(glm::vec3 size, glm::vec3 offset = glm::vec3(0.0f))
{
    BoxGeometry* box = new BoxGeometry(size.x, size.y, size.z);
    box->transform(glm::translate(glm::mat4(1.0f), offset));
    return new Mesh(box, glm::mat4(1.0f), Material(glm::vec3(0.1f), glm::vec3(0.5f), glm::vec3(0.2f), 8.0f), 0, 0,
                    0, nullptr);
}

bool registered(const Model* model)
{
    return std::find(gModels.begin(), gModels.end(), model) != gModels.end();
}

} // namespace

TEST(Model, RegistryClonesAndDeepCopies)
{
    Model* source = new Model(boxMesh(glm::vec3(1.0f)));
    source->m_name = "Source";
    source->m_type = MODEL_CRYSTAL;
    source->m_scale = 2.0f;
    Texture* shared = new Texture();
    source->m_textures.push_back(shared);
    EXPECT_TRUE(registered(source));

    Model* clone = new Model(*source, false);
    EXPECT_EQ(source->m_clone_count, 1);
    EXPECT_EQ(clone->m_meshes[0], source->m_meshes[0]);
    EXPECT_EQ(shared->m_use_count, 1);
    EXPECT_EQ(clone->m_name, "Source");
    EXPECT_EQ(clone->m_type, MODEL_CRYSTAL);
    EXPECT_EQ(clone->m_scale, 2.0f);

    Model* copy = new Model(*source, true);
    EXPECT_NE(copy->m_meshes[0], source->m_meshes[0]);
    EXPECT_NE(copy->m_meshes[0]->m_geometry, source->m_meshes[0]->m_geometry);
    EXPECT_EQ(copy->m_meshes[0]->m_material.shininess, 8.0f);
    EXPECT_EQ(shared->m_use_count, 2);
    EXPECT_EQ(copy->m_clone_source, nullptr);
    delete copy; // the source keeps the texture
    EXPECT_EQ(shared->m_use_count, 1);
    EXPECT_FALSE(registered(copy));

    testing::internal::CaptureStdout();
    delete clone;
    EXPECT_EQ(source->m_clone_count, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    Model* late = new Model(*source, false);
    testing::internal::CaptureStdout();
    CullingEntity entity;
    source->m_culling_entity = &entity;
    delete source;
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("WARNING: Model to be destructed still has a culling entity set"), std::string::npos);
    EXPECT_NE(log.find("WARNING: Model to be destructed still has 1 clones."), std::string::npos);
    // the source has freed what the clone shared; let it go as a model of nothing
    late->m_clone_source = nullptr;
    late->m_meshes.clear();
    late->m_textures.clear();
    delete late;
}

TEST(Model, BoundsAndCullingEntities)
{
    Model model(boxMesh(glm::vec3(2.0f, 4.0f, 2.0f), glm::vec3(0.0f, 2.0f, 0.0f)));
    model.m_meshes.push_back(boxMesh(glm::vec3(1.0f), glm::vec3(5.0f, 0.0f, 0.0f)));
    glm::vec3 min, max;
    model.computeAABB(min, max);
    EXPECT_EQ(min, glm::vec3(-1.0f, -0.5f, -1.0f));
    EXPECT_EQ(max, glm::vec3(5.5f, 4.0f, 1.0f));

    model.m_scale = 2.0f;
    model.m_model_matrix = glm::translate(glm::mat4(1.0f), glm::vec3(10.0f, 20.0f, 30.0f));
    EXPECT_FLOAT_EQ(model.getBoundingRadius(), 2.0f * glm::length(glm::vec3(5.5f, 4.0f, 1.0f)));

    CullingEntity sphere;
    model.fillCullingEntity(sphere);
    EXPECT_EQ(sphere.id, reinterpret_cast<uintptr_t>(&model));
    EXPECT_EQ(sphere.isSphere, 1);
    EXPECT_EQ(sphere.center, glm::vec3(10.0f, 20.0f, 30.0f)); // the translation, not the box centre
    EXPECT_FLOAT_EQ(sphere.extent.x, model.m_bounding_radius);

    model.m_cull_by_box = true;
    CullingEntity box;
    model.fillCullingEntity(box);
    EXPECT_EQ(box.isSphere, 0);
    EXPECT_EQ(box.center, glm::vec3(10.0f, 20.0f, 30.0f));
    EXPECT_EQ(box.extent, glm::vec3(6.5f, 4.5f, 2.0f));
    EXPECT_EQ(model.m_aabb_center, glm::vec3(-2.0f, -1.0f, -2.0f) + glm::vec3(6.5f, 4.5f, 2.0f));

    // the box is cached: later changes of the meshes or the scale do not show
    model.m_scale = 1.0f;
    glm::vec3 centre, half;
    model.getScaledAABB(centre, half);
    EXPECT_EQ(half, glm::vec3(6.5f, 4.5f, 2.0f));
}

TEST(Model, MergeFusesInterchangeableMeshesOnly)
{
    Model model(boxMesh(glm::vec3(1.0f)));
    model.m_meshes.push_back(boxMesh(glm::vec3(1.0f), glm::vec3(3.0f, 0.0f, 0.0f)));
    Mesh* moved = boxMesh(glm::vec3(1.0f));
    moved->m_transform[3][0] = 0.5f;
    model.m_meshes.push_back(moved);
    Mesh* translucent = boxMesh(glm::vec3(1.0f));
    translucent->m_use_alpha = true;
    model.m_meshes.push_back(translucent);
    Mesh* locked = boxMesh(glm::vec3(1.0f));
    locked->m_merge_locked = 1;
    model.m_meshes.push_back(locked);
    model.m_meshes.push_back(boxMesh(glm::vec3(1.0f), glm::vec3(-3.0f, 0.0f, 0.0f)));

    model.mergeMeshes();
    ASSERT_EQ(model.m_meshes.size(), 4u);
    EXPECT_EQ(model.m_meshes[0]->m_geometry->m_vertex_count, 72u);
    EXPECT_EQ(model.m_meshes[0]->m_geometry->m_triangle_count, 36u);
    EXPECT_EQ(model.m_meshes[1], moved);
    EXPECT_EQ(model.m_meshes[2], translucent);
    EXPECT_EQ(model.m_meshes[3], locked);

    Mesh* nan = boxMesh(glm::vec3(1.0f));
    nan->m_material.shininess = std::nanf("");
    Mesh* nan2 = boxMesh(glm::vec3(1.0f));
    nan2->m_material.shininess = std::nanf("");
    EXPECT_FALSE(nan->tryMerge(*nan2));
    delete nan;
    delete nan2;
}

TEST(ModelDeathTest, UnreadableAndPointModelsAreFatal)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    TempDir dir;
    dir.write("models/thing/grey.mtl", "newmtl grey\nKa 0.1 0.1 0.1\nKd 0.5 0.5 0.5\nKs 0 0 0\nNs 4\n");
    dir.write("models/thing/dots.obj",
              "mtllib grey.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nvn 0 0 1\no dots\nusemtl grey\np 1\n");
    // A texture named before any material: the importer would write through a null pointer.
    dir.write("models/thing/early.mtl", "map_bump foil_dark_bump.png\n" "newmtl grey\nKd 0.5 0.5 0.5\n");
    dir.write("models/thing/early.obj", "mtllib early.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl grey\nf 1 2 3\n");
    // Bytes that are no model at all give no mesh; vertices without faces a mesh of nothing.
    std::string noise;
    for (int i = 0; i < 5; ++i)
        noise += std::string("\x93\x0e\xfd\x00\x41\x9c\x11\xe2\x07\x80", 10);
    dir.write("models/thing/noise.obj", noise);
    dir.write("models/thing/faceless.obj", "mtllib grey.mtl\no half\nv 0 0 0\nv 1 0 0\nv 1 1 0\n");
    dir.write("models/thing/far.obj", "v 0 0 0\nv 1 0 0\nv 1e30 1 0\nf 1 2 3\n");
    gAssetsDir = dir.path().string();
    const struct {
        const char* file;
        const char* message;
    } cases[] = {
        {"thing/early.obj", "ERROR: Material library \".*/thing/early.mtl\" names a texture before any newmtl"},
        {"thing/nothing.obj", "ERROR: Error loading model \"thing/nothing.obj\": "},
        {"thing/dots.obj", "ERROR: Model not triangulated\\? mNumIndices = 1"},
        {"thing/noise.obj", "ERROR: Model \"thing/noise.obj\" has no meshes with triangles"},
        {"thing/faceless.obj", "ERROR: Model \"thing/faceless.obj\" has no meshes with triangles"},
        {"thing/far.obj", "ERROR: Model \"thing/far.obj\" has vertices too far out: its bounds are not finite"},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                dup2(2, 1);
                Model model(c.file, glm::mat4(1.0f), nullptr, true, nullptr);
            },
            testing::ExitedWithCode(255), c.message)
            << c.file;
    }
    gAssetsDir = "assets";
}
