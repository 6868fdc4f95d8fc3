// The game's 33 programs as start-up builds them: every uniform the engine sets is
// live with the type it is set with, the light block sits at locations 20..24, the
// brightness starts at 1.0, and the attribute-less and generated geometry faces the
// viewer under back-face culling.
#include "GameGl.h"

#include "platform/Random.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;

GLuint makeTexture(int width, int height, const std::vector<unsigned char>& rgba)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

class GameShaders : public GameGlTest {
protected:
    void SetUp() override
    {
        GameGlTest::SetUp();
        glGenVertexArrays(1, &m_vao);
        glBindVertexArray(m_vao);
        glEnable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }
    void TearDown() override
    {
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &m_vao);
        glDisable(GL_CULL_FACE);
        glEnable(GL_DEPTH_TEST);
        GameGlTest::TearDown();
    }
    static Shader* use(const std::string& name)
    {
        Shader* shader = Shader::get(name);
        glUseProgram(shader->m_program);
        return shader;
    }

    GLuint m_vao = 0;
};

// Active uniforms of a program: name -> (GL type, location).
std::map<std::string, std::pair<GLenum, GLint>> activeUniforms(GLuint program)
{
    std::map<std::string, std::pair<GLenum, GLint>> uniforms;
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i) {
        char name[128] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type, name);
        uniforms[name] = {type, glGetUniformLocation(program, name)};
    }
    return uniforms;
}

} // namespace

TEST_F(GameShaders, EveryUniformTheEngineSetsIsLiveWithItsType)
{
    ASSERT_EQ(gShaders.size(), 35u);
    EXPECT_EQ(s_startUpError, static_cast<GLenum>(GL_NO_ERROR)) << "programs and default textures leave no GL error";
    const std::map<std::string, GLenum> types = {
        {"matModel", GL_FLOAT_MAT4}, {"matProjView", GL_FLOAT_MAT4}, {"matMVP", GL_FLOAT_MAT4},
        {"projMat", GL_FLOAT_MAT4}, {"mvpMat", GL_FLOAT_MAT4}, {"matViewProj", GL_FLOAT_MAT4},
        {"matProj", GL_FLOAT_MAT4}, {"coneRotMat", GL_FLOAT_MAT3},
        {"material.ambient", GL_FLOAT_VEC3}, {"material.diffuse", GL_FLOAT_VEC3},
        {"material.specular", GL_FLOAT_VEC3}, {"material.shininess", GL_FLOAT},
        {"eye", GL_FLOAT_VEC3}, {"eyePos", GL_FLOAT_VEC3}, {"playerPos", GL_FLOAT_VEC3}, {"lightDirNormed", GL_FLOAT_VEC3},
        {"playerShadow", GL_INT}, {"hasTex0", GL_INT}, {"alpha", GL_FLOAT},
        {"color_alpha", GL_FLOAT_VEC4}, {"blendColor", GL_FLOAT_VEC3},
        {"pos", GL_FLOAT_VEC2}, {"uv_offset", GL_FLOAT_VEC2}, {"uv_scale", GL_FLOAT_VEC2},
        {"center", GL_FLOAT_VEC2}, {"radius", GL_FLOAT},
        {"patchsize", GL_FLOAT}, {"xpatches", GL_INT}, {"zpatches", GL_INT}, {"min_height", GL_FLOAT},
        {"max_height", GL_FLOAT}, {"min_subdivisions", GL_INT}, {"max_subdivisions", GL_INT},
        {"subdivision_factor", GL_FLOAT}, {"pixelsPerUnit", GL_FLOAT}, {"timeSeconds", GL_FLOAT}, {"aspectRatio", GL_FLOAT},
        {"uvMultiplier", GL_FLOAT}, {"movement", GL_FLOAT},
        {"emitter_position", GL_FLOAT_VEC3}, {"emitter_dir", GL_FLOAT_VEC3}, {"emitter_velocity", GL_FLOAT_VEC3},
        {"emitter_numParticles", GL_INT}, {"emitter_time", GL_FLOAT}, {"particle_time", GL_FLOAT},
        {"particle_random_speed", GL_FLOAT}, {"time", GL_FLOAT}, {"deltaT", GL_FLOAT},
        {"vUp", GL_FLOAT_VEC3}, {"vRight", GL_FLOAT_VEC3}, {"color1", GL_FLOAT_VEC3}, {"color2", GL_FLOAT_VEC3},
        {"texDiffColor", GL_SAMPLER_2D}, {"texHeightmap", GL_SAMPLER_2D}, {"texDiffuse", GL_SAMPLER_2D},
        {"texSlopes", GL_SAMPLER_2D}, {"slopeUV", GL_FLOAT_VEC4}, {"slopeScale", GL_FLOAT_VEC3}, {"tex", GL_SAMPLER_2D},
        {"tex1", GL_SAMPLER_2D}, {"tex2", GL_SAMPLER_2D}, {"normalMap", GL_SAMPLER_2D},
        {"displacementMap", GL_SAMPLER_2D}, {"texCubeMap", GL_SAMPLER_CUBE}, {"texRandom", GL_SAMPLER_1D},
    };
    using Names = std::vector<std::string>;
    const Names material = {"matModel", "matProjView", "material.ambient", "material.diffuse",
                            "material.specular", "material.shininess", "eye"};
    const auto with = [](Names base, const Names& more) {
        base.insert(base.end(), more.begin(), more.end());
        return base;
    };
    const Names quad = {"pos", "size", "uv_offset", "uv_scale", "projMat"};
    const Names lowestTerrain = {"matModel", "matProjView", "patchsize", "xpatches", "min_height", "max_height",
                                 "zpatches", "texHeightmap", "texDiffuse", "playerPos", "lightDirNormed",
                                 "playerShadow"};
    const Names terrain = with(lowestTerrain, {"min_subdivisions", "max_subdivisions", "subdivision_factor",
                                               "pixelsPerUnit", "eyePos"});
    // "color" is a vec4 for the flat quads, "size" a float for particles.
    const std::map<std::string, std::pair<Names, std::map<std::string, GLenum>>> programs = {
        {"phong", {with(material, {"texDiffColor"}), {}}},
        {"phong_notex", {material, {}}},
        {"phong_tex_notex", {with(material, {"texDiffColor", "hasTex0"}), {}}},
        {"phong_notex_alpha", {with(material, {"alpha"}), {}}},
        {"phong_nm", {with(material, {"texDiffColor", "texHeightmap"}), {}}},
        {"phong_nm_notex", {with(material, {"texHeightmap"}), {}}},
        {"color", {{"matMVP", "color"}, {{"color", GL_FLOAT_VEC3}}}},
        {"color_alpha", {{"matMVP", "color_alpha"}, {}}},
        {"texture", {{"matMVP", "texDiffColor"}, {}}},
        {"texture_colored", {{"matMVP", "texDiffColor", "color"}, {{"color", GL_FLOAT_VEC3}}}},
        {"cube", {{"matModel", "matProjView", "texCubeMap", "eye"}, {}}},
        {"skybox", {{"matMVP", "texCubeMap"}, {}}},
        {"heightfield", {terrain, {}}},
        {"heightfieldLM", {terrain, {}}},
        {"heightfieldLMSM", {with(terrain, {"texSlopes", "slopeUV", "slopeScale"}), {}}},
        {"heightfieldLowest", {lowestTerrain, {}}},
        {"heightfieldLowestLM", {lowestTerrain, {}}},
        {"heightfieldLowestLMSM", {with(lowestTerrain, {"texSlopes", "eyePos", "slopeUV", "slopeScale"}), {}}},
        {"heightfieldLMSMMatte", {terrain, {}}},
        {"heightfieldLowestLMSMMatte", {lowestTerrain, {}}},
        {"quad2d", {with(quad, {"tex"}), {{"size", GL_FLOAT_VEC2}}}},
        {"quad2d_notex", {{"pos", "size", "projMat", "color"}, {{"size", GL_FLOAT_VEC2}, {"color", GL_FLOAT_VEC4}}}},
        {"quad2d_notex_depth",
         {{"pos", "size", "projMat", "color"}, {{"size", GL_FLOAT_VEC2}, {"color", GL_FLOAT_VEC4}}}},
        {"quad2d_multiply", {with(quad, {"tex1", "tex2"}), {{"size", GL_FLOAT_VEC2}}}},
        {"quad2d_mul_gray", {with(quad, {"tex1", "tex2", "blendColor"}), {{"size", GL_FLOAT_VEC2}}}},
        {"quad2d_flare", {with(quad, {"tex", "color"}), {{"size", GL_FLOAT_VEC2}, {"color", GL_FLOAT_VEC3}}}},
        {"quad3d", {{"mvpMat", "uv_offset", "uv_scale", "tex"}, {}}},
        {"shockwave", {{"center", "radius", "tex"}, {}}},
        {"lava",
         {{"matModel", "matProjView", "texDiffColor", "eye", "timeSeconds", "aspectRatio", "playerPos",
           "lightDirNormed", "playerShadow"},
          {}}},
        {"water", {{"matModel", "matProjView", "eye"}, {}}},
        {"water2",
         {{"matModel", "matProjView", "eye", "uvMultiplier", "normalMap", "displacementMap", "movement",
           "playerPos", "lightDirNormed", "playerShadow"},
          {}}},
        {"particle_update",
         {{"emitter_position", "emitter_dir", "emitter_velocity", "emitter_numParticles", "emitter_time",
           "particle_time", "particle_random_speed", "coneRotMat", "time", "deltaT", "texRandom"},
          {}}},
        {"particle_render",
         {{"matViewProj", "vUp", "vRight", "particle_time", "size", "color1", "color2", "tex"},
          {{"size", GL_FLOAT}}}},
        {"text", {{"matProj", "color"}, {{"color", GL_FLOAT_VEC3}}}},
        {"debug_normals", {{"matModel", "matProjView"}, {}}},
    };
    ASSERT_EQ(programs.size(), 35u);
    for (const auto& [program, expectation] : programs) {
        const auto active = activeUniforms(Shader::get(program)->m_program);
        for (const std::string& name : expectation.first) {
            const auto found = active.find(name);
            if (found == active.end()) {
                ADD_FAILURE() << program << " lacks " << name;
                continue;
            }
            const auto special = expectation.second.find(name);
            const GLenum type = special != expectation.second.end() ? special->second : types.at(name);
            EXPECT_EQ(found->second.first, type) << program << ": " << name;
        }
    }
}

TEST_F(GameShaders, LitProgramsHoldTheLightBlockAtLocations20To24)
{
    for (const char* program : {"phong", "phong_notex", "phong_tex_notex", "phong_notex_alpha", "phong_nm",
                                "phong_nm_notex"}) {
        std::map<GLint, GLenum> byLocation;
        for (const auto& [name, typeAndLocation] : activeUniforms(Shader::get(program)->m_program))
            byLocation[typeAndLocation.second] = typeAndLocation.first;
        EXPECT_EQ(byLocation[20], static_cast<GLenum>(GL_INT)) << program;
        for (GLint location = 21; location <= 24; ++location)
            EXPECT_EQ(byLocation[location], static_cast<GLenum>(GL_FLOAT_VEC3)) << program << " @" << location;
    }
}

TEST_F(GameShaders, BrightnessStartsAtOneAndSparesTheScreenSpacePrograms)
{
    std::set<std::string> without;
    for (Shader* shader : gShaders) {
        const GLint location = glGetUniformLocation(shader->m_program, "globalBrightnessMultiplier");
        if (location < 0) {
            without.insert(shader->m_name);
            continue;
        }
        float value = 0.0f;
        glGetUniformfv(shader->m_program, location, &value);
        EXPECT_EQ(value, 1.0f) << shader->m_name;
    }
    // The full-window composite goes through quad2d or shockwave: the scene must not
    // be brightened twice. The HUD, menu and text keep their colours.
    EXPECT_EQ(without, (std::set<std::string>{"quad2d", "quad2d_notex", "quad2d_notex_depth", "quad2d_multiply",
                                              "quad2d_mul_gray", "shockwave", "particle_update", "text"}));
}

TEST_F(GameShaders, QuadsFaceTheViewerWithTheTextureUpright)
{
    // 2 x 2 texture, GL row 0 at the bottom: red, green / blue, white.
    const GLuint texture = makeTexture(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    OffscreenTarget target(kSize, kSize, 0.0f);
    const auto quadrantsMatch = [&](const std::vector<unsigned char>& pixels, int lo, int hi) {
        return target.at(pixels, lo, lo) == glm::ivec4(255, 0, 0, 255) &&
               target.at(pixels, hi, lo) == glm::ivec4(0, 255, 0, 255) &&
               target.at(pixels, lo, hi) == glm::ivec4(0, 0, 255, 255) &&
               target.at(pixels, hi, hi) == glm::ivec4(255, 255, 255, 255);
    };
    const glm::mat4 ortho = glm::ortho(0.0f, 64.0f, 0.0f, 64.0f, -1.0f, 1.0f);

    Shader* quad2d = use("quad2d");
    quad2d->setUniform("pos", glm::vec2(16.0f, 16.0f));
    quad2d->setUniform("size", glm::vec2(32.0f, 32.0f));
    quad2d->setUniform("uv_offset", glm::vec2(0.0f));
    quad2d->setUniform("uv_scale", glm::vec2(1.0f));
    quad2d->setUniform("projMat", ortho);
    quad2d->setUniform("tex", 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
    auto pixels = target.read();
    EXPECT_TRUE(quadrantsMatch(pixels, 20, 44));
    EXPECT_EQ(target.at(pixels, 8, 8), glm::ivec4(0));
    EXPECT_EQ(target.at(pixels, 56, 56), glm::ivec4(0));

    // The unit square of quad3d, scaled to the whole clip space.
    target.clear();
    Shader* quad3d = use("quad3d");
    quad3d->setUniform("mvpMat", glm::scale(glm::mat4(1.0f), glm::vec3(2.0f)));
    quad3d->setUniform("uv_offset", glm::vec2(0.0f));
    quad3d->setUniform("uv_scale", glm::vec2(1.0f));
    quad3d->setUniform("tex", 0);
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
    EXPECT_TRUE(quadrantsMatch(target.read(), 8, 56));

    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
}

TEST_F(GameShaders, ShockWaveCopiesTheSceneExactlyAwayFromTheRing)
{
    gameSrand(5);
    std::vector<unsigned char> scene(kSize * kSize * 4);
    for (unsigned char& byte : scene)
        byte = static_cast<unsigned char>(gameRand() & 0xFF);
    for (size_t i = 3; i < scene.size(); i += 4)
        scene[i] = 255;
    const GLuint texture = makeTexture(kSize, kSize, scene);
    OffscreenTarget target(kSize, kSize, 0.0f);

    Shader* shockwave = use("shockwave");
    shockwave->setUniform("center", glm::vec2(0.5f, 0.5f));
    shockwave->setUniform("tex", 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);

    shockwave->setUniform("radius", 1.5f); // over
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
    EXPECT_TRUE(target.read() == scene);

    shockwave->setUniform("radius", 0.3f);
    glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2);
    const auto pixels = target.read();
    int changedOnRing = 0, changedElsewhere = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float d = glm::length(glm::vec2((x + 0.5f) / 64.0f, (y + 0.5f) / 64.0f) - glm::vec2(0.5f));
            const bool changed = target.at(pixels, x, y) != target.at(scene, x, y);
            if (std::abs(d - 0.3f * 0.75f) < 0.05f)
                changedOnRing += changed;
            else if (std::abs(d - 0.3f * 0.75f) > 0.07f)
                changedElsewhere += changed;
        }
    }
    EXPECT_GT(changedOnRing, 100);
    EXPECT_EQ(changedElsewhere, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
}

TEST_F(GameShaders, TerrainIsSeenFromAboveAndCulledFromBelow)
{
    Texture heights;
    heights.m_no_mipmaps = true;
    heights.loadHeightTexture("engine/gradient16.png");
    OffscreenTarget target(kSize, kSize, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glPatchParameteri(GL_PATCH_VERTICES, 4);

    Shader* terrain = use("heightfield");
    // The 2 x 2 patches by their grid index, one per instance.
    const GLint patches[4] = {0, 1, 2, 3};
    GLuint vao = 0, indices = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &indices);
    glBindBuffer(GL_ARRAY_BUFFER, indices);
    glBufferData(GL_ARRAY_BUFFER, sizeof patches, patches, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribIPointer(0, 1, GL_INT, 0, nullptr);
    glVertexAttribDivisor(0, 1);
    const glm::mat4 projection = glm::perspective(glm::radians(60.0f), 1.0f, 0.5f, 200.0f);
    const auto draw = [&](const glm::vec3& eye, bool shadow, const glm::vec3& sun = glm::vec3(0.0f, 1.0f, 0.0f)) {
        target.clear();
        terrain->setUniform("matModel", glm::translate(glm::mat4(1.0f), glm::vec3(-8.0f, 0.0f, -8.0f)));
        terrain->setUniform("matProjView", projection * glm::lookAt(eye, glm::vec3(0.0f), glm::vec3(0, 0, -1)));
        terrain->setUniform("patchsize", 8.0f);
        terrain->setUniform("xpatches", 2);
        terrain->setUniform("min_height", 0.0f);
        terrain->setUniform("max_height", 2.0f);
        terrain->setUniform("min_subdivisions", 1);
        terrain->setUniform("max_subdivisions", 16);
        terrain->setUniform("subdivision_factor", 40.0f);
        terrain->setUniform("zpatches", 2);
        terrain->setUniform("texHeightmap", 0);
        terrain->setUniform("texDiffuse", 1);
        terrain->setUniform("playerPos", glm::vec3(0.0f, 4.0f, 0.0f));
        terrain->setUniform("lightDirNormed", sun);
        terrain->setUniform("playerShadow", shadow ? 1 : 0);
        terrain->setUniform("pixelsPerUnit", 0.5f * kSize * projection[1][1]);
        terrain->setUniform("eyePos", eye);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, heights.m_texture);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, gDefaultTextureWhite->m_texture);
        glActiveTexture(GL_TEXTURE0);
        glDrawArraysInstanced(GL_PATCHES, 0, 4, 4);
        return target.read();
    };

    const auto above = draw(glm::vec3(0.0f, 20.0f, 0.0f), false);
    const glm::ivec4 centre = target.at(above, 32, 32);
    EXPECT_GT(centre.r, 150);
    EXPECT_EQ(centre.r, centre.b); // white colour map under white light
    EXPECT_GT(target.at(above, 20, 44).r, 100);

    // The lander above the centre with the sun overhead darkens the ground under it.
    const auto shadowed = draw(glm::vec3(0.0f, 20.0f, 0.0f), true);
    EXPECT_LT(target.at(shadowed, 32, 32).r, centre.r * 3 / 4);
    EXPECT_EQ(target.at(shadowed, 4, 4), target.at(above, 4, 4));
    // A sun low in the +x sky throws the shadow about 3.5 units towards -x, about ten
    // pixels left of the centre, and none to the right.
    const glm::vec3 slanted = glm::normalize(glm::vec3(1.0f, 1.0f, 0.0f));
    const auto lit = draw(glm::vec3(0.0f, 20.0f, 0.0f), false, slanted);
    const auto slantedShadow = draw(glm::vec3(0.0f, 20.0f, 0.0f), true, slanted);
    EXPECT_LT(target.at(slantedShadow, 22, 32).r, target.at(lit, 22, 32).r * 3 / 4);
    EXPECT_EQ(target.at(slantedShadow, 42, 32), target.at(lit, 42, 32));
    EXPECT_EQ(target.at(slantedShadow, 32, 32), target.at(lit, 32, 32));

    const auto below = draw(glm::vec3(0.0f, -20.0f, 0.0f), false);
    EXPECT_EQ(target.at(below, 32, 32), glm::ivec4(0));
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindVertexArray(0);
    glDeleteBuffers(1, &indices);
    glDeleteVertexArrays(1, &vao);
}

TEST_F(GameShaders, ParticleSpritesShowWhicheverWayTheCameraAxesArrive)
{
    // The emitter (type 0) and one particle half way through its life.
    const float particles[2][12] = {{0.5f, 0.5f, 0.0f, 0.0f, 0, 0, 0, 0, 0, 0, 0, 0},
                                    {0.0f, 0.0f, 0.0f, 1.0f, 0, 0, 0, 150.0f, 1, 1, 1, 0.5f}};
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof particles, particles, GL_STATIC_DRAW);
    for (GLuint i = 0; i < 3; ++i) {
        glVertexAttribPointer(i, 4, GL_FLOAT, GL_FALSE, 48, reinterpret_cast<void*>(static_cast<uintptr_t>(16 * i)));
        glEnableVertexAttribArray(i);
    }
    OffscreenTarget target(kSize, kSize, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    Shader* render = use("particle_render");
    render->setUniform("matViewProj", glm::mat4(1.0f));
    render->setUniform("particle_time", 300.0f);
    render->setUniform("size", 0.5f);
    render->setUniform("color1", glm::vec3(1.0f, 1.0f, 0.2f));
    render->setUniform("color2", glm::vec3(0.8f, 0.0f, 0.0f));
    render->setUniform("tex", 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, gDefaultTextureWhiteAlpha->m_texture);
    for (bool swapped : {false, true}) {
        target.clear();
        const glm::vec3 up(0.0f, 1.0f, 0.0f), right(1.0f, 0.0f, 0.0f);
        render->setUniform("vUp", swapped ? right : up);
        render->setUniform("vRight", swapped ? up : right);
        glDrawArrays(GL_POINTS, 0, 2);
        const auto pixels = target.read();
        EXPECT_GT(target.at(pixels, 32, 32).r, 40) << (swapped ? "swapped" : "in order");
        EXPECT_EQ(target.at(pixels, 56, 56), glm::ivec4(0)) << "the emitter draws no sprite";
    }
    glDisable(GL_BLEND);
    for (GLuint i = 0; i < 3; ++i)
        glDisableVertexAttribArray(i);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteBuffers(1, &buffer);
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(GameShaders, ParticleUpdateKeepsTheEmitterFirstWhenTheBufferIsFull)
{
    // A random texture of unit vectors along +z.
    GLuint random = 0;
    glGenTextures(1, &random);
    glBindTexture(GL_TEXTURE_1D, random);
    std::vector<float> texels;
    for (int i = 0; i < 1000; ++i)
        texels.insert(texels.end(), {0.0f, 0.0f, 1.0f, (i % 10) / 10.0f});
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA32F, 1000, 0, GL_RGBA, GL_FLOAT, texels.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    constexpr int kCapacity = 4;
    std::vector<float> initial(kCapacity * 12, 0.0f);
    GLuint buffers[2] = {0, 0};
    glGenBuffers(2, buffers);
    for (GLuint b : buffers) {
        glBindBuffer(GL_ARRAY_BUFFER, b);
        glBufferData(GL_ARRAY_BUFFER, initial.size() * sizeof(float), initial.data(), GL_DYNAMIC_COPY);
    }
    GLuint query = 0;
    glGenQueries(1, &query);

    Shader* update = use("particle_update");
    update->setUniform("emitter_position", glm::vec3(1.0f, 2.0f, 3.0f));
    update->setUniform("emitter_dir", glm::vec3(0.0f, 0.0f, 1.0f));
    update->setUniform("emitter_velocity", glm::vec3(0.0f));
    update->setUniform("emitter_time", 10.0f);
    update->setUniform("particle_time", 300.0f);
    update->setUniform("particle_random_speed", 10.0f);
    glUniformMatrix3fv(update->getUniformLocation("coneRotMat"), 1, GL_FALSE, glm::value_ptr(glm::mat3(1.0f)));
    update->setUniform("time", 1.0f);
    update->setUniform("deltaT", 1.0f / 60.0f);
    update->setUniform("texRandom", 0);
    glActiveTexture(GL_TEXTURE0);

    // One pass from buffer `from` into the other; returns the particles written.
    const auto pass = [&](int from, int spawn, int count) {
        update->setUniform("emitter_numParticles", spawn);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[from]);
        for (GLuint i = 0; i < 3; ++i) {
            glVertexAttribPointer(i, 4, GL_FLOAT, GL_FALSE, 48,
                                  reinterpret_cast<void*>(static_cast<uintptr_t>(16 * i)));
            glEnableVertexAttribArray(i);
        }
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers[1 - from]);
        glEnable(GL_RASTERIZER_DISCARD);
        glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, query);
        glBeginTransformFeedback(GL_POINTS);
        glDrawArrays(GL_POINTS, 0, count);
        glEndTransformFeedback();
        glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
        glDisable(GL_RASTERIZER_DISCARD);
        GLuint written = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &written);
        std::vector<float> out(kCapacity * 12);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[1 - from]);
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, out.size() * sizeof(float), out.data());
        return std::make_pair(static_cast<int>(written), out);
    };

    // Five spawns do not all fit next to the emitter: the emitter stays first.
    auto [written, out] = pass(0, 5, 1);
    ASSERT_EQ(written, kCapacity);
    EXPECT_EQ(glm::make_vec4(&out[0]), glm::vec4(1.0f, 2.0f, 3.0f, 0.0f));
    for (int i = 1; i < kCapacity; ++i) {
        EXPECT_NE(out[i * 12 + 3], 0.0f) << "spawned particles are not emitters";
        EXPECT_GT(out[i * 12 + 7], 0.0f) << "and have life left";
        EXPECT_GT(out[i * 12 + 6], 0.0f) << "and leave along +z";
    }
    const float life = out[12 + 7];

    // Without emission the particles age by one step of milliseconds.
    std::tie(written, out) = pass(1, 0, kCapacity);
    ASSERT_EQ(written, kCapacity);
    EXPECT_EQ(out[3], 0.0f);
    EXPECT_NEAR(out[12 + 7], life - 1000.0f / 60.0f, 1e-3f);

    glUseProgram(0);
    for (GLuint i = 0; i < 3; ++i)
        glDisableVertexAttribArray(i);
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteQueries(1, &query);
    glDeleteBuffers(2, buffers);
    glBindTexture(GL_TEXTURE_1D, 0);
    glDeleteTextures(1, &random);
}
