// What mesh and model drawing hand to the programs: matrices, colours by colour mode,
// textures, the sun at its fixed locations, and the callbacks around a model.
#include "ModelPictures.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace {

glm::vec4 uniformVec(Shader* shader, const char* name, int components)
{
    float value[4] = {0, 0, 0, 0};
    glGetUniformfv(shader->m_program, glGetUniformLocation(shader->m_program, name), value);
    return components == 3 ? glm::vec4(value[0], value[1], value[2], 0.0f) : glm::make_vec4(value);
}

glm::mat4 uniformMat(Shader* shader, const char* name)
{
    float value[16];
    glGetUniformfv(shader->m_program, glGetUniformLocation(shader->m_program, name), value);
    return glm::make_mat4(value);
}

Mesh* boxMesh(Shader* shader, GLuint diffuse = 0)
{
    return new Mesh(new BoxGeometry(1.0f, 1.0f, 1.0f), glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -1)),
                    Material(glm::vec3(0.1f, 0.2f, 0.3f), glm::vec3(0.4f, 0.5f, 0.6f), glm::vec3(0.7f), 9.0f), diffuse,
                    0, 0, shader);
}

struct Calls {
    int pre = 0, post = 0;
    bool draw = true;
};

bool preRender(void* data, Model*, const glm::mat4&)
{
    Calls* calls = static_cast<Calls*>(data);
    calls->pre += 1;
    return calls->draw;
}

void postRender(void* data, Model*, const glm::mat4&)
{
    static_cast<Calls*>(data)->post += 1;
}

class ModelDrawTest : public GameGlTest {
protected:
    const glm::mat4 projView = glm::perspective(1.0f, 1.5f, 0.1f, 10.0f);
};

} // namespace

TEST_F(ModelDrawTest, MatricesAndColoursByColourMode)
{
    Shader* lit = Shader::get("phong_notex");
    Mesh* mesh = boxMesh(lit);
    Model model(mesh);
    model.m_model_matrix = glm::translate(glm::mat4(1.0f), glm::vec3(2.0f, 0.0f, 0.0f));
    model.draw(projView, nullptr, nullptr);
    EXPECT_EQ(uniformMat(lit, "matModel"), model.m_model_matrix * mesh->m_transform);
    EXPECT_EQ(uniformMat(lit, "matProjView"), projView);
    EXPECT_EQ(uniformVec(lit, "material.diffuse", 3), glm::vec4(0.4f, 0.5f, 0.6f, 0.0f));
    EXPECT_EQ(uniformVec(lit, "material.ambient", 3), glm::vec4(0.1f, 0.2f, 0.3f, 0.0f));
    EXPECT_TRUE(mesh->m_geometry->isUploaded());

    // with no model matrix the mesh transform alone places it
    glUseProgram(lit->m_program);
    mesh->draw(projView, nullptr);
    EXPECT_EQ(uniformMat(lit, "matModel"), mesh->m_transform);

    // flat colour: one combined matrix and the diffuse colour, with or without alpha
    Shader* flat = Shader::get("color");
    Mesh* plain = boxMesh(flat);
    plain->m_color_mode = COLOR_MODE_FLAT;
    Model flatModel(plain);
    flatModel.draw(projView, nullptr, nullptr);
    EXPECT_EQ(uniformMat(flat, "matMVP"), projView * plain->m_transform);
    EXPECT_EQ(uniformVec(flat, "color", 3), glm::vec4(0.4f, 0.5f, 0.6f, 0.0f));

    Shader* translucent = Shader::get("color_alpha");
    Mesh* glass = boxMesh(translucent);
    glass->m_color_mode = COLOR_MODE_FLAT;
    glass->m_use_alpha = true;
    EXPECT_EQ(glass->m_alpha, 1.0f);
    glass->m_alpha = 0.25f;
    Model glassModel(glass);
    glassModel.draw(projView, nullptr, nullptr);
    EXPECT_EQ(uniformVec(translucent, "color_alpha", 4), glm::vec4(0.4f, 0.5f, 0.6f, 0.25f));

    // upload happens once; an uploaded mesh no longer merges
    const GLuint vao = mesh->m_geometry->m_vao;
    EXPECT_EQ(mesh->m_geometry->upload(), vao);
    Mesh* twin = boxMesh(lit);
    EXPECT_FALSE(twin->tryMerge(*mesh));
    EXPECT_FALSE(mesh->tryMerge(*twin));
    delete twin;
}

TEST_F(ModelDrawTest, OptionalDiffuseGetsTheWhiteTexture)
{
    Shader* program = Shader::get("phong_tex_notex");
    Model model(boxMesh(program));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    model.draw(projView, nullptr, nullptr);
    GLint bound = 0, hasTex = 7;
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetUniformiv(program->m_program, glGetUniformLocation(program->m_program, "hasTex0"), &hasTex);
    EXPECT_EQ(static_cast<GLuint>(bound), gDefaultTextureWhite->m_texture);
    EXPECT_EQ(hasTex, 0);

    Model textured(boxMesh(program, gDefaultTextureRed->m_texture));
    textured.draw(projView, nullptr, nullptr);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetUniformiv(program->m_program, glGetUniformLocation(program->m_program, "hasTex0"), &hasTex);
    EXPECT_EQ(static_cast<GLuint>(bound), gDefaultTextureRed->m_texture);
    EXPECT_EQ(hasTex, 1);
}

TEST_F(ModelDrawTest, SunGoesToLocations20To24OfLitMeshesOnly)
{
    Shader* program = Shader::get("phong_notex");
    DirectionalLight sun(true, glm::vec3(1.0f), glm::vec3(0.8f, 0.7f, 0.6f), glm::vec3(0.5f),
                         glm::vec3(0.0f, -1.0f, 0.0f));
    glUseProgram(program->m_program);
    EXPECT_EQ(sun.uploadAt(20, program), 25);
    GLint enabled = 0;
    glGetUniformiv(program->m_program, 20, &enabled);
    EXPECT_EQ(enabled, 1);
    float diffuse[3];
    glGetUniformfv(program->m_program, 22, diffuse);
    EXPECT_EQ(glm::make_vec3(diffuse), glm::vec3(0.8f, 0.7f, 0.6f));
    float direction[3];
    glGetUniformfv(program->m_program, 24, direction);
    EXPECT_EQ(glm::make_vec3(direction), glm::vec3(0.0f, -1.0f, 0.0f));

    // a cube-mapped mesh (colour mode 2) is drawn without the light
    glUniform1i(20, 5);
    GLuint cube = 0;
    glGenTextures(1, &cube);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
    const unsigned char texel[3] = {10, 20, 30};
    for (int face = 0; face < 6; ++face)
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
    Mesh* sky = new Mesh(new CubeGeometry(), glm::mat4(1.0f), Material(), 0, 0, cube, program);
    EXPECT_EQ(sky->m_color_mode, COLOR_MODE_NONE);
    Model skyModel(sky);
    const glm::vec3 eye(1.0f, 2.0f, 3.0f);
    skyModel.draw(projView, &eye, &sun);
    glGetUniformiv(program->m_program, 20, &enabled);
    EXPECT_EQ(enabled, 5);
    EXPECT_EQ(uniformVec(program, "eye", 3), glm::vec4(1.0f, 2.0f, 3.0f, 0.0f));

    Model lit(boxMesh(program));
    lit.draw(projView, &eye, &sun);
    glGetUniformiv(program->m_program, 20, &enabled);
    EXPECT_EQ(enabled, 1);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glDeleteTextures(1, &cube);
}

TEST_F(ModelDrawTest, CallbacksAroundTheMeshes)
{
    Model model(boxMesh(Shader::get("phong_notex")));
    Calls calls;
    calls.draw = false;
    model.m_pre_render = preRender;
    model.m_pre_render_data = &calls;
    model.m_post_render = postRender;
    model.m_post_render_data = &calls;
    model.draw(projView, nullptr, nullptr);
    EXPECT_EQ(calls.pre, 1);
    EXPECT_EQ(calls.post, 1);
    EXPECT_FALSE(model.m_meshes[0]->m_geometry->isUploaded()) << "skipped meshes are not drawn";
    calls.draw = true;
    model.m_single_shader = false;
    model.draw(projView, nullptr, nullptr);
    EXPECT_EQ(calls.post, 2);
    EXPECT_TRUE(model.m_meshes[0]->m_geometry->isUploaded());
}

TEST_F(ModelDrawTest, ProgramsChosenByTexturesAndNormalMaps)
{
    Shader* textured = Shader::get("phong");
    Shader* untextured = Shader::get("phong_notex");
    const GLuint tex = gDefaultTextureWhite->m_texture;

    Model allTextured(boxMesh(nullptr, tex));
    allTextured.m_meshes.push_back(boxMesh(nullptr, tex));
    allTextured.setShaders(textured, untextured);
    EXPECT_TRUE(allTextured.m_single_shader);
    EXPECT_EQ(allTextured.m_shader, textured);

    Model mixed(boxMesh(nullptr, tex));
    mixed.m_meshes.push_back(boxMesh(nullptr));
    mixed.m_meshes.push_back(boxMesh(nullptr, tex));
    mixed.setShaders(textured, untextured);
    EXPECT_FALSE(mixed.m_single_shader);
    for (size_t i = 0; i < mixed.m_meshes.size(); ++i) {
        EXPECT_EQ(mixed.m_meshes[i]->m_shader, mixed.m_meshes[i]->m_diffuse_tex ? textured : untextured);
        if (i > 0) {
            EXPECT_FALSE(Model::meshShaderLess(mixed.m_meshes[i], mixed.m_meshes[i - 1])) << "sorted by program";
        }
    }
    mixed.draw(projView, nullptr, nullptr);

    // four groups: a normal map moves a mesh into the normal-mapped programs
    Shader* nm = Shader::get("phong_nm");
    Shader* nmUntextured = Shader::get("phong_nm_notex");
    Model grouped(boxMesh(nullptr, tex));
    Mesh* bumpy = boxMesh(nullptr);
    bumpy->m_normal_tex = tex;
    grouped.m_meshes.push_back(bumpy);
    grouped.setShaders(textured, untextured, nm, nmUntextured);
    EXPECT_FALSE(grouped.m_single_shader);
    EXPECT_EQ(bumpy->m_shader, nmUntextured);

    Model oneGroup(boxMesh(nullptr));
    oneGroup.m_meshes[0]->m_normal_tex = tex;
    oneGroup.setShaders(textured, untextured, nm, nmUntextured);
    EXPECT_TRUE(oneGroup.m_single_shader);
    EXPECT_EQ(oneGroup.m_shader, nmUntextured);
}
