// Renders each of the game's models under the orbit camera and the sun from three sides,
// keeps the pictures as PNG files (build dir, tests/model-pictures/) and checks that each
// view shows a lit, shaded model of sensible size.
#include "ModelPictures.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <functional>

namespace {

struct View {
    float phi, theta;
};

const View kViews[3] = {{0.55f, 0.30f}, {2.60f, 0.18f}, {-1.90f, 0.62f}};

class ModelPictureTest : public GameGlTest {
protected:
    void SetUp() override
    {
        GameGlTest::SetUp();
        sun = DirectionalLight(true, glm::vec3(1.0f), glm::vec3(0.95f), glm::vec3(1.0f), glm::vec3(0.0f, -1.0f, 0.0f));
    }

    // Draws the model from the three views, writes <name>.png and checks every view.
    void photograph(Model* model, const std::string& name, const std::function<void()>& before = {})
    {
        glm::vec3 min, max;
        model->computeAABB(min, max);
        const glm::vec3 centre = (min + max) * 0.5f;
        const float radius = glm::length(max - min) * 0.5f;

        Camera camera;
        camera.fov = 0.7f;
        camera.aspect = 4.0f / 3.0f;
        camera.r = radius / std::sin(camera.fov * 0.5f) * 1.05f;
        camera.near = camera.r * 0.05f;
        camera.far = camera.r * 4.0f;
        camera.focus = centre;

        OffscreenTarget target(480, 360, 0.0f);
        std::vector<std::vector<uint8_t>> pictures;
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        for (const View& view : kViews) {
            camera.phi = view.phi;
            camera.theta = view.theta;
            target.clear();
            if (before)
                before();
            const glm::mat4 projView = camera.getProjection() * camera.getViewMatrix();
            const glm::vec3 eye = camera.getWorldPosition();
            // the sun over the viewer's right shoulder, a little from above
            glm::vec3 forward, right, up;
            camera.getAxes(&forward, &right, &up);
            sun.direction = -glm::normalize(right * 0.7f + up * 0.8f - forward * 0.6f + glm::vec3(0.0f, 0.4f, 0.0f));
            model->draw(projView, &eye, &sun);
            pictures.push_back(target.read());
        }
        glDisable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glUseProgram(0);

        const std::string file = modelPictureDir() + "/" + name + ".png";
        EXPECT_TRUE(savePicturesPng(file, pictures, target.width, target.height)) << file;
        for (size_t v = 0; v < pictures.size(); ++v) {
            const PictureStats stats = pictureStats(pictures[v], target.width, target.height);
            SCOPED_TRACE(name + " view " + std::to_string(v));
            EXPECT_GT(stats.coverage, 0.05) << "the model hardly shows";
            EXPECT_LT(stats.coverage, 0.80) << "the model fills the picture";
            EXPECT_GT(stats.meanLuma, 30.0) << "the model is dark";
            EXPECT_GT(stats.lumaSpread, 10.0) << "the model is flat";
        }
    }

    DirectionalLight sun;
};

TEST_F(ModelPictureTest, Lander)
{
    Model* lander = loadLander();
    // the program choice by texture and normal map that draws each group as it looks
    lander->setShaders(Shader::get("phong"), Shader::get("phong_notex"), Shader::get("phong_nm"),
                       Shader::get("phong_nm_notex"));
    lander->mergeMeshes();
    photograph(lander, "lander");
    delete lander;
}

TEST_F(ModelPictureTest, LanderWithSwappedProgramGroups)
{
    // The lander's meshes all carry a texture and a bump map, so they also look right
    // when the normal-mapped group is drawn with the plain untextured program.
    Model* lander = loadLander();
    lander->setShaders(Shader::get("phong_nm_notex"), Shader::get("phong_nm"), Shader::get("phong_notex"),
                       Shader::get("phong"));
    lander->mergeMeshes();
    photograph(lander, "lander_swapped_programs");
    delete lander;
}

TEST_F(ModelPictureTest, Crawler)
{
    Model* crawler = loadCrawler("Mars Explorer/Mars_Explorer_new.obj");
    photograph(crawler, "crawler");
    delete crawler;
    Model* far = loadCrawler("Mars Explorer/Mars_Explorer_new_LOD1.obj");
    photograph(far, "crawler_lod1");
    delete far;
}

TEST_F(ModelPictureTest, Crystals)
{
    const Material crystalColours(glm::vec3(0.05f, 0.15f, 0.2f), glm::vec3(0.3f, 0.75f, 0.9f), glm::vec3(1.0f),
                                  60.0f);
    const char* files[3] = {"crystal/crystal.obj", "crystal/medium.obj", "crystal/very_low.obj"};
    for (int level = 0; level < 3; ++level) {
        Model* crystal = loadCrystal(files[level]);
        crystal->m_single_shader = false;
        for (Mesh* mesh : crystal->m_meshes)
            mesh->m_material = crystalColours;
        Shader* program = Shader::get("phong_notex_alpha");
        photograph(crystal, "crystal_lod" + std::to_string(level), [program] {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glUseProgram(program->m_program);
            program->setUniform("alpha", 0.8f);
        });
        delete crystal;
    }
}

TEST_F(ModelPictureTest, Bomb)
{
    Model* bomb = loadBomb();
    bomb->m_meshes[0]->m_material.diffuse = glm::vec3(0.2f, 1.0f, 0.2f); // fresh fuse: green
    photograph(bomb, "bomb");
    delete bomb;
}

} // namespace
