// The generated model files as the game imports them: the names, materials, textures
// and geometric facts the game's code relies on; and the importer itself on small files.
#include "platform/AssetFiles.h"
#include "ModelPictures.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

const char* kTopStageNames[20] = {
    "Iron", "Iron_kaku", "Thruster_UV_t_TOP", "Thruster_bace_1_TOP", "Thruster_bace_kaku", "avionics_platforms",
    "big_tank", "body_band", "boom.001", "cabin", "cabin_parts", "cabin_parts2", "hatch", "leg_jointparts_TOP",
    "main_engine_UVt_TOP", "tank", "tank_mount", "upper", "window_frame", "window_glass",
};

std::vector<Mesh*> meshesNamed(const Model& model, const std::string& name)
{
    std::vector<Mesh*> found;
    for (Mesh* mesh : model.m_meshes)
        if (mesh->m_name == name)
            found.push_back(mesh);
    return found;
}

void boundsOf(const std::vector<Mesh*>& meshes, glm::vec3& min, glm::vec3& max)
{
    min = glm::vec3(1e9f);
    max = glm::vec3(-1e9f);
    for (const Mesh* mesh : meshes) {
        glm::vec3 b[2];
        mesh->m_geometry->getBounds(b);
        min = glm::min(min, b[0]);
        max = glm::max(max, b[1]);
    }
}

glm::ivec2 textureSize(GLuint texture)
{
    glm::ivec2 size(0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size.x);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size.y);
    glBindTexture(GL_TEXTURE_2D, 0);
    return size;
}

class ModelImportTest : public GameGlTest {};

} // namespace

// gold foil, dark foil, metal, panel, glass
const size_t kLanderMaterials = 5;

TEST_F(ModelImportTest, LanderHasBothStagesWithMapsAndSymmetricBounds)
{
    Model* lander = loadLander();
    std::vector<Mesh*> top;
    for (const char* name : kTopStageNames) {
        const std::vector<Mesh*> found = meshesNamed(*lander, name);
        ASSERT_EQ(found.size(), 1u) << name;
        top.push_back(found[0]);
    }
    EXPECT_GT(lander->m_meshes.size(), top.size()) << "the lower stage is missing";

    for (const Mesh* mesh : lander->m_meshes) {
        SCOPED_TRACE(mesh->m_name);
        EXPECT_NE(mesh->m_diffuse_tex, 0u);
        EXPECT_NE(mesh->m_normal_tex, 0u);
        ASSERT_NE(mesh->m_geometry->m_tangents, nullptr);
        for (uint32_t v = 0; v < mesh->m_geometry->m_vertex_count; ++v)
            ASSERT_TRUE(std::isfinite(glm::dot(mesh->m_geometry->m_tangents[v], glm::vec3(1.0f))));
        EXPECT_EQ(mesh->m_transform, glm::mat4(1.0f));
    }
    const Material& glass = meshesNamed(*lander, "window_glass")[0]->m_material;
    EXPECT_NEAR(glass.diffuse.b, 0.16f, 1e-5f);
    EXPECT_NEAR(glass.shininess, 90.0f, 1e-4f);

    // the contact boxes are built from max(|min|, |max|): the box must be symmetric in
    // y so that its lowest tenth is where the feet are
    glm::vec3 min, max;
    lander->computeAABB(min, max);
    EXPECT_NEAR(min.y, -1.74f, 0.01f);
    EXPECT_LE(max.y, -min.y);
    EXPECT_GT(max.y, -min.y - 0.1f);
    EXPECT_NEAR(max.x, -min.x, 0.02f);
    EXPECT_NEAR(max.z, -min.z, 0.02f);
    EXPECT_LT(max.x, 1.6f);

    // the top stage sits in the band its own collision box covers, on the axis
    glm::vec3 topMin, topMax;
    boundsOf(top, topMin, topMax);
    EXPECT_GE(topMin.y, -0.2635f - 0.01f);
    EXPECT_LE(topMax.y, 1.7365f + 0.01f);
    EXPECT_NEAR(topMin.x + topMax.x, 0.0f, 0.05f);
    EXPECT_NEAR(topMin.z + topMax.z, 0.0f, 0.05f);

    // every mesh has a texture and a bump map: one program group for the whole lander
    lander->setShaders(Shader::get("phong"), Shader::get("phong_notex"), Shader::get("phong_nm"),
                       Shader::get("phong_nm_notex"));
    EXPECT_TRUE(lander->m_single_shader);
    EXPECT_EQ(lander->m_shader, Shader::get("phong_nm"));

    // the parts of one material share its two maps, so the whole lander merges into
    // one draw per material
    EXPECT_EQ(lander->m_textures.size(), 2 * kLanderMaterials);
    lander->mergeMeshes();
    EXPECT_EQ(lander->m_meshes.size(), kLanderMaterials);
    delete lander;
}

TEST_F(ModelImportTest, CrawlerPadWheelsAndBounds)
{
    Model* crawler = loadCrawler("Mars Explorer/Mars_Explorer_new.obj");
    glm::vec3 min, max;
    crawler->computeAABB(min, max);
    EXPECT_NEAR(min.y, 0.0f, 1e-4f) << "the wheels stand on the origin's ground";
    EXPECT_NEAR(min.x, -max.x, 1e-3f);

    // the pad: textured, the model's highest surface, over the docking rectangle
    const std::vector<Mesh*> pads = meshesNamed(*crawler, "landingarea");
    ASSERT_EQ(pads.size(), 1u);
    ASSERT_NE(pads[0]->m_diffuse_tex, 0u);
    glm::vec3 padMin, padMax;
    boundsOf(pads, padMin, padMax);
    EXPECT_NEAR(padMin.x, -4.5f, 1e-3f);
    EXPECT_NEAR(padMax.x, 4.5f, 1e-3f);
    EXPECT_NEAR(padMin.z, -14.0f, 1e-3f);
    EXPECT_NEAR(padMax.z, 0.5f, 1e-3f);
    EXPECT_NEAR(padMin.y, padMax.y, 1e-4f);
    EXPECT_NEAR(padMax.y, max.y, 1e-4f);

    // the empty-pad picture shares the pad texture's layout
    Texture empty;
    empty.load(true, gAssetsDir + "/models/Mars Explorer/Maps/landarea2.png");
    EXPECT_EQ(glm::ivec2(empty.m_width, empty.m_height), textureSize(pads[0]->m_diffuse_tex));

    // three wheel sets, each on one axle along x through its box centre
    float heights = 0.0f;
    float previousZ = 1e9f;
    for (const char* name : {"land_wheels_front", "land_wheels_mid", "land_wheels_back"}) {
        const std::vector<Mesh*> wheels = meshesNamed(*crawler, name);
        ASSERT_EQ(wheels.size(), 1u) << name;
        glm::vec3 wMin, wMax;
        boundsOf(wheels, wMin, wMax);
        const glm::vec3 pivot = (wMin + wMax) * 0.5f;
        EXPECT_NEAR(pivot.x, 0.0f, 1e-3f) << name;
        EXPECT_NEAR(wMin.y, 0.0f, 1e-3f) << name;
        EXPECT_NEAR(wMax.z - wMin.z, wMax.y - wMin.y, 1e-3f) << name << ": round, seen from the side";
        EXPECT_LT(pivot.z, previousZ) << "front to back along -z";
        previousZ = pivot.z;
        heights += wMax.y - wMin.y;
    }
    EXPECT_NEAR(heights / 6.0f, 1.4f, 1e-3f);

    // it drives along +z: the cab and its windows are at the front
    glm::vec3 cabMin, cabMax;
    boundsOf(meshesNamed(*crawler, "cab_windows"), cabMin, cabMax);
    EXPECT_GT(cabMin.z, 0.5f);

    Model* far = loadCrawler("Mars Explorer/Mars_Explorer_new_LOD1.obj");
    glm::vec3 farMin, farMax;
    far->computeAABB(farMin, farMax);
    EXPECT_LT(glm::length(farMin - min) + glm::length(farMax - max), 0.01f);
    size_t nearTriangles = 0, farTriangles = 0;
    for (const Mesh* mesh : crawler->m_meshes)
        nearTriangles += mesh->m_geometry->m_triangle_count;
    for (const Mesh* mesh : far->m_meshes)
        farTriangles += mesh->m_geometry->m_triangle_count;
    EXPECT_LT(farTriangles * 2, nearTriangles);
    delete far;
    delete crawler;
}

TEST_F(ModelImportTest, CrystalsStandOnTheOriginAndThinOut)
{
    size_t triangles[3] = {0, 0, 0};
    const char* files[3] = {"crystal/crystal.obj", "crystal/medium.obj", "crystal/very_low.obj"};
    for (int level = 0; level < 3; ++level) {
        Model* crystal = loadCrystal(files[level]);
        glm::vec3 min, max;
        crystal->computeAABB(min, max);
        EXPECT_NEAR(min.y, 0.0f, 1e-4f) << files[level];
        EXPECT_NEAR(min.x + max.x, 0.0f, 1e-3f) << files[level];
        EXPECT_NEAR(min.z + max.z, 0.0f, 1e-3f) << files[level];
        EXPECT_GT(max.y, 4.0f);
        for (const Mesh* mesh : crystal->m_meshes) {
            EXPECT_EQ(mesh->m_diffuse_tex, 0u);
            triangles[level] += mesh->m_geometry->m_triangle_count;
        }
        delete crystal;
    }
    EXPECT_NEAR(static_cast<double>(triangles[1]) / triangles[0], 0.25, 0.1);
    EXPECT_NEAR(static_cast<double>(triangles[2]) / triangles[0], 0.05, 0.04);
}

TEST_F(ModelImportTest, BombIsAShellOfHalfAUnitFirst)
{
    Model* bomb = loadBomb();
    ASSERT_GE(bomb->m_meshes.size(), 2u);
    EXPECT_EQ(bomb->m_meshes[0]->m_name, "plasma_shell");
    for (const Mesh* mesh : bomb->m_meshes)
        EXPECT_EQ(mesh->m_diffuse_tex, 0u);
    glm::vec3 min, max;
    bomb->computeAABB(min, max);
    EXPECT_NEAR(glm::length((min + max) * 0.5f), 0.0f, 0.05f);
    EXPECT_NEAR(bomb->getBoundingRadius(), 0.5f * std::sqrt(3.0f), 0.1f); // the corner of a 0.5 box
    EXPECT_NEAR(max.x, 0.5f, 0.05f);
    delete bomb;
}

TEST_F(ModelImportTest, ImportTransformIsBakedInOrKeptPerMesh)
{
    const glm::mat4 transform = crawlerImportTransform();
    Model* baked = new Model("Mars Explorer/Mars_Explorer_new.obj", transform, Shader::get("phong"), true, nullptr);
    Model* kept = new Model("Mars Explorer/Mars_Explorer_new.obj", transform, Shader::get("phong"), false, nullptr);
    ASSERT_EQ(baked->m_meshes.size(), kept->m_meshes.size());
    for (size_t m = 0; m < kept->m_meshes.size(); ++m) {
        const Geometry& a = *baked->m_meshes[m]->m_geometry;
        const Geometry& b = *kept->m_meshes[m]->m_geometry;
        EXPECT_EQ(baked->m_meshes[m]->m_transform, glm::mat4(1.0f));
        EXPECT_EQ(kept->m_meshes[m]->m_transform, transform);
        for (uint32_t v = 0; v < a.m_vertex_count; v += 7) {
            const glm::vec3 moved(transform * glm::vec4(b.m_positions[v], 1.0f));
            ASSERT_LT(glm::length(moved - a.m_positions[v]), 1e-4f);
        }
    }
    delete kept;
    delete baked;
}

namespace {

// A small asset tree in a temporary folder, written with Windows habits: the material
// library and the texture are named with backslashes and in another letter case.
class SmallModelImport : public ModelImportTest {
protected:
    void SetUp() override
    {
        ModelImportTest::SetUp();
        savedAssets = gAssetsDir;
        root = std::filesystem::temp_directory_path() / ("kestrun-models-" + std::to_string(getpid()));
        std::filesystem::create_directories(root / "models" / "thing" / "mats" / "pics");
        // a 4 x 2 RGB texture
        const unsigned char pixels[24] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255,
                                          10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
        ILuint image = 0;
        ilGenImages(1, &image);
        ilBindImage(image);
        ilTexImage(4, 2, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, const_cast<unsigned char*>(pixels));
        ilEnable(IL_FILE_OVERWRITE);
        ilSave(IL_PNG, (root / "models" / "thing" / "mats" / "pics" / "stripe.png").string().c_str());
        ilDeleteImages(1, &image);
        std::ofstream(root / "models" / "thing" / "mats" / "shiny.mtl")
            << "newmtl red\nKa 0.2 0 0\nKd 0.9 0.1 0.1\nKs 1 1 1\nNs 50\nmap_Kd mats\\Pics\\Stripe.PNG\n"
            << "newmtl grey\nKa 0.1 0.1 0.1\nKd 0.5 0.5 0.5\nKs 0 0 0\nNs 4\n";
        gAssetsDir = root.string();
    }
    void TearDown() override
    {
        gAssetsDir = savedAssets;
        std::filesystem::remove_all(root);
        ModelImportTest::TearDown();
    }
    void writeObj(const std::string& text)
    {
        std::ofstream(root / "models" / "thing" / "thing.obj") << text;
    }

    std::string savedAssets;
    std::filesystem::path root;
};

const char* kQuadVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                            "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n";

} // namespace

TEST_F(SmallModelImport, NamesMaterialsAndTexturesThroughTheResolver)
{
    writeObj(std::string("mtllib MATS\\Shiny.MTL\n") + kQuadVertices +
             "o panel\nusemtl red\nf 1/1/1 2/2/1 3/3/1 4/4/1\nusemtl grey\nf 1/1/1 3/3/1 4/4/1\n"
             "o wire\nusemtl grey\nf 1/1/1 2/2/1 3/3/1\nl 1 2\n");
    Model model("thing/thing.obj", glm::mat4(1.0f), Shader::get("phong"), true, nullptr);
    ASSERT_EQ(model.m_meshes.size(), 3u);
    // two materials in one object: two meshes of the same name
    EXPECT_EQ(model.m_meshes[0]->m_name, "panel");
    EXPECT_EQ(model.m_meshes[1]->m_name, "panel");
    EXPECT_EQ(model.m_meshes[2]->m_name, "wire");
    EXPECT_EQ(model.m_directory, root.string() + "/models/thing/");

    const Mesh& red = *model.m_meshes[0];
    EXPECT_EQ(red.m_geometry->m_triangle_count, 2u); // the quad, triangulated
    EXPECT_EQ(red.m_material.ambient, glm::vec3(0.2f, 0.0f, 0.0f));
    EXPECT_EQ(red.m_material.diffuse, glm::vec3(0.9f, 0.1f, 0.1f));
    EXPECT_EQ(red.m_material.specular, glm::vec3(1.0f));
    EXPECT_FLOAT_EQ(red.m_material.shininess, 50.0f);
    ASSERT_NE(red.m_diffuse_tex, 0u);
    EXPECT_EQ(textureSize(red.m_diffuse_tex), glm::ivec2(4, 2));
    EXPECT_EQ(red.m_normal_tex, 0u);
    ASSERT_EQ(model.m_textures.size(), 1u);

    const Mesh& grey = *model.m_meshes[1];
    EXPECT_EQ(grey.m_diffuse_tex, 0u);
    EXPECT_FLOAT_EQ(grey.m_material.shininess, 4.0f);
    EXPECT_EQ(model.m_meshes[2]->m_geometry->m_triangle_count, 1u) << "the line is not a triangle";
}

TEST_F(SmallModelImport, MeshWithoutNormalsGetsThemComputed)
{
    writeObj("mtllib mats/shiny.mtl\nv 0 0 0\nv 1 0 0\nv 0 0 -1\no floor\nusemtl grey\nf 1 2 3\n");
    Model model("thing/thing.obj", glm::mat4(1.0f), Shader::get("phong"), true, nullptr);
    ASSERT_EQ(model.m_meshes.size(), 1u);
    const Geometry& g = *model.m_meshes[0]->m_geometry;
    ASSERT_NE(g.m_normals, nullptr);
    EXPECT_NEAR(g.m_normals[0].y, 1.0f, 1e-5f);
}

TEST_F(SmallModelImport, MeshWithoutTrianglesAndModelWithoutMeshes)
{
    // an object of lines only: a mesh without triangles, drawn as nothing, never uploaded
    writeObj("mtllib mats/shiny.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\no panel\nf 1 2 3\no wire\nl 1 2\n");
    Model model("thing/thing.obj", glm::mat4(1.0f), Shader::get("phong"), true, nullptr);
    ASSERT_EQ(model.m_meshes.size(), 2u);
    EXPECT_EQ(model.m_meshes[1]->m_geometry->m_triangle_count, 0u);
    const glm::mat4 projView(1.0f);
    model.draw(projView, nullptr, nullptr);
    EXPECT_FALSE(model.m_meshes[1]->m_geometry->isUploaded());
    delete model.m_meshes[1];
    model.m_meshes.pop_back();

    // every mesh filtered away: an empty box, a zero radius, and drawing does nothing
    delete model.m_meshes[0];
    model.m_meshes.clear();
    glm::vec3 min(5.0f), max(5.0f);
    model.computeAABB(min, max);
    EXPECT_EQ(min, glm::vec3(0.0f));
    EXPECT_EQ(max, glm::vec3(0.0f));
    EXPECT_EQ(model.getBoundingRadius(), 0.0f);
    model.setShaders(Shader::get("phong"), Shader::get("phong_notex"));
    model.draw(projView, nullptr, nullptr);
}

TEST_F(SmallModelImport, BumpMapBecomesNormalMapOnlyWhenAsked)
{
    std::ofstream(root / "models" / "thing" / "bumpy.mtl")
        << "newmtl bumpy\nKa 0 0 0\nKd 1 1 1\nKs 0 0 0\nNs 1\nmap_Kd mats/pics/stripe.png\n"
        << "map_bump mats/pics/stripe.png\n";
    writeObj(std::string("mtllib bumpy.mtl\n") + kQuadVertices + "o tile\nusemtl bumpy\nf 1/1/1 2/2/1 3/3/1 4/4/1\n");
    Model plain("thing/thing.obj", glm::mat4(1.0f), Shader::get("phong"), true, nullptr);
    EXPECT_EQ(plain.m_meshes[0]->m_normal_tex, 0u);
    EXPECT_EQ(plain.m_meshes[0]->m_geometry->m_tangents, nullptr);

    const ModelImportOptions options = landerImportOptions();
    Model mapped("thing/thing.obj", glm::mat4(1.0f), Shader::get("phong"), true, &options);
    EXPECT_NE(mapped.m_meshes[0]->m_normal_tex, 0u);
    EXPECT_EQ(mapped.m_textures.size(), 2u);
    ASSERT_NE(mapped.m_meshes[0]->m_geometry->m_tangents, nullptr);
    EXPECT_NEAR(mapped.m_meshes[0]->m_geometry->m_tangents[0].x, 1.0f, 1e-5f);
}
