// The Shader class on a real context: uniform setters and their location cache,
// compile and link failures, the registry.
#include "ChildProcess.h"
#include "GlTest.h"
#include "unit/TempDir.h"

#include "platform/AssetFiles.h"
#include "gl/Shader.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

const char* kVertex = "#version 430 core\n"
                      "uniform mat4 m;\n"
                      "void main() { gl_Position = m * vec4(float(gl_VertexID), 0.0, 0.0, 1.0); }\n";

const char* kFragment = "#version 430 core\n"
                        "uniform int i;\n"
                        "uniform float f;\n"
                        "uniform vec2 v2;\n"
                        "uniform vec3 v3;\n"
                        "uniform vec4 v4;\n"
                        "out vec4 fragColor;\n"
                        "void main() { fragColor = vec4(float(i) * f, v2.x + v2.y, v3.x + v3.y + v3.z, 0.0) + v4; }\n";

// Programs built from files in a scratch asset folder, in a registry of their own:
// the programs other tests registered are set aside and put back afterwards.
class ShaderTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        m_savedAssets = gAssetsDir;
        gAssetsDir = m_dir.path().string();
        m_savedShaders.swap(gShaders);
        file("plain.vs", kVertex);
        file("plain.fs", kFragment);
    }
    void TearDown() override
    {
        Shader::deleteAll();
        gShaders.swap(m_savedShaders);
        gAssetsDir = m_savedAssets;
        glUseProgram(0);
        GlTest::TearDown();
    }
    void file(const std::string& name, const std::string& text) { m_dir.write("shaders/" + name, text); }

    TempDir m_dir;
    std::string m_savedAssets;
    std::vector<Shader*> m_savedShaders;
};

} // namespace

TEST_F(ShaderTest, SettersWriteEachTypeToTheProgram)
{
    Shader* shader = new Shader("plain", {"plain.vs", "plain.fs"}, true);
    EXPECT_TRUE(shader->m_use_mvp);
    EXPECT_FALSE(shader->m_optional_diffuse);
    glUseProgram(shader->m_program);

    const glm::mat4 m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16); // column-major
    shader->setUniform("i", 7);
    shader->setUniform("f", 0.25f);
    shader->setUniform("v2", glm::vec2(1.5f, -2.5f));
    shader->setUniform("v3", glm::vec3(3, 4, 5));
    shader->setUniform("v4", glm::vec4(6, 7, 8, 9));
    shader->setUniform("m", m);

    const GLuint p = shader->m_program;
    GLint i = 0;
    glGetUniformiv(p, glGetUniformLocation(p, "i"), &i);
    EXPECT_EQ(i, 7);
    float values[16] = {};
    glGetUniformfv(p, glGetUniformLocation(p, "f"), values);
    EXPECT_EQ(values[0], 0.25f);
    glGetUniformfv(p, glGetUniformLocation(p, "v2"), values);
    EXPECT_EQ(glm::make_vec2(values), glm::vec2(1.5f, -2.5f));
    glGetUniformfv(p, glGetUniformLocation(p, "v3"), values);
    EXPECT_EQ(glm::make_vec3(values), glm::vec3(3, 4, 5));
    glGetUniformfv(p, glGetUniformLocation(p, "v4"), values);
    EXPECT_EQ(glm::make_vec4(values), glm::vec4(6, 7, 8, 9));
    glGetUniformfv(p, glGetUniformLocation(p, "m"), values);
    EXPECT_EQ(glm::make_mat4(values), m) << "matrices go to GL untransposed";
}

TEST_F(ShaderTest, MissingUniformsWarnOncePerProgramAndLocationsAreCached)
{
    Shader* first = new Shader("first", {"plain.vs", "plain.fs"}, false);
    Shader* second = new Shader("second", {"plain.vs", "plain.fs"}, false);
    glUseProgram(first->m_program);

    testing::internal::CaptureStdout();
    EXPECT_EQ(first->getUniformLocation("absent"), -1);
    EXPECT_EQ(first->getUniformLocation("absent"), -1);
    first->setUniform("absent", 1.0f); // goes to GL as -1, which ignores it
    const GLint known = first->getUniformLocation("v3");
    EXPECT_EQ(second->getUniformLocation("absent"), -1);
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(printed, "WARNING: uniform \"absent\" not found in program first\n"
                       "WARNING: uniform \"absent\" not found in program second\n");
    EXPECT_EQ(known, glGetUniformLocation(first->m_program, "v3"));
    EXPECT_EQ(first->m_uniform_locations.size(), 2u);
    EXPECT_EQ(first->m_uniform_locations.at("absent"), -1);
}

TEST_F(ShaderTest, RegistryFindsByExactNameAndDeleteAllEmptiesIt)
{
    Shader* a = new Shader("phong", {"plain.vs", "plain.fs"}, false);
    Shader* b = new Shader("Phong", {"plain.vs", "plain.fs"}, false);
    Shader* c = new Shader("phong", {"plain.vs", "plain.fs"}, false);
    ASSERT_EQ(gShaders, (std::vector<Shader*>{a, b, c}));
    EXPECT_EQ(Shader::get("phong"), a);
    EXPECT_EQ(Shader::get("phong"), a);
    EXPECT_EQ(Shader::get("Phong"), b);
    const GLuint programs[3] = {a->m_program, b->m_program, c->m_program};

    Shader::deleteAll();
    EXPECT_TRUE(gShaders.empty());
    for (GLuint program : programs)
        EXPECT_FALSE(glIsProgram(program));
}

TEST_F(ShaderTest, BuildFailuresEndTheProgramWithTheirMessage)
{
    file("broken.fs", "#version 430 core\nvoid main() { this is not glsl }\n");
    file("needs.fs", "#version 430 core\nin vec3 neverWritten;\nout vec4 o;\nvoid main() { o = vec4(neverWritten, 1.0); }\n");
    file("shader.glsl", kFragment);

    const auto starts = [](const std::string& text, const std::string& prefix) {
        return text.compare(0, prefix.size(), prefix) == 0;
    };
    ChildResult result = runInChild([] { new Shader("x", {"plain.vs", "broken.fs"}, false); });
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_TRUE(starts(result.output, "ERROR: ERROR compiling shader \"broken.fs\": ")) << result.output;
    EXPECT_GT(result.output.size(), std::string("ERROR: ERROR compiling shader \"broken.fs\": \n").size());

    result = runInChild([] { new Shader("x", {"plain.vs", "needs.fs"}, false); });
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_TRUE(starts(result.output, "ERROR: ERROR linking shader program: ")) << result.output;

    result = runInChild([] { new Shader("x", {"plain.vs", "shader.glsl"}, false); });
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.output, "ERROR: Unknown shader type: shader.glsl\n");

    result = runInChild([] { new Shader("x", {"plain.vs", "gone.fs"}, false); });
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.output, "ERROR: ERROR loading shader file \"gone.fs\"\n");

    // The failing program was never registered.
    EXPECT_TRUE(gShaders.empty());
}
