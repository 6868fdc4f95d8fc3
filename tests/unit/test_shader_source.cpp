// Shader source handling that needs no GL context: stage types from file names,
// include expansion and its failures, and the registry lookup failure.
#include "ChildProcess.h"
#include "TempDir.h"

#include "platform/AssetFiles.h"
#include "gl/Shader.h"

#include <gtest/gtest.h>

namespace {

class ShaderSource : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedAssets = gAssetsDir;
        gAssetsDir = m_dir.path().string();
    }
    void TearDown() override { gAssetsDir = m_savedAssets; }

    void shader(const std::string& name, const std::string& text) { m_dir.write("shaders/" + name, text); }

    TempDir m_dir;
    std::string m_savedAssets;
};

} // namespace

TEST(ShaderStage, FirstMatchingSubstringDecidesTheStage)
{
    EXPECT_EQ(Shader::stageTypeOf("phong_nm.vs.glsl"), static_cast<GLenum>(GL_VERTEX_SHADER));
    EXPECT_EQ(Shader::stageTypeOf("phong.fs"), static_cast<GLenum>(GL_FRAGMENT_SHADER));
    EXPECT_EQ(Shader::stageTypeOf("heightfield.tcs.glsl"), static_cast<GLenum>(GL_TESS_CONTROL_SHADER));
    EXPECT_EQ(Shader::stageTypeOf("heightfield.tes.glsl"), static_cast<GLenum>(GL_TESS_EVALUATION_SHADER));
    EXPECT_EQ(Shader::stageTypeOf("particle_update.gs.glsl"), static_cast<GLenum>(GL_GEOMETRY_SHADER));
    EXPECT_EQ(Shader::stageTypeOf("blur.cs"), static_cast<GLenum>(GL_COMPUTE_SHADER));
    // ".vs" is looked for before ".fs", wherever the two stand in the name.
    EXPECT_EQ(Shader::stageTypeOf("odd.fs.vs"), static_cast<GLenum>(GL_VERTEX_SHADER));
    // "heightfield-lightmap-specmap.fs.glsl" holds no ".cs" or ".gs" before its ".fs".
    EXPECT_EQ(Shader::stageTypeOf("heightfield-lightmap-specmap.fs.glsl"), static_cast<GLenum>(GL_FRAGMENT_SHADER));
    EXPECT_EQ(Shader::stageTypeOf("common.glsl"), 0u);
    EXPECT_EQ(Shader::stageTypeOf("vs"), 0u);
}

TEST_F(ShaderSource, IncludesAreReplacedAndTheRestOfTheLineStays)
{
    shader("one.glsl", "ONE");
    shader("two.glsl", "TWO");
    const std::string source = "A\n#include \"one.glsl\"\nB\n#include \"two.glsl\" // tail\n#include \"one.glsl\"";
    EXPECT_EQ(Shader::expandIncludes(source, "main.fs"), "A\nONE\nB\nTWO // tail\nONE");
}

TEST_F(ShaderSource, NestedIncludesAreRelativeToTheShaderFolder)
{
    shader("lib/outer.glsl", "outer(\n#include \"lib/inner.glsl\"\n)");
    shader("lib/inner.glsl", "inner");
    shader("lib/deep.glsl", "#include \"lib/outer.glsl\"+");
    EXPECT_EQ(Shader::expandIncludes("#include \"lib/deep.glsl\"\nend", "main.vs"), "outer(\ninner\n)+\nend");
}

TEST_F(ShaderSource, AnyCharacterMayStandBetweenKeywordAndQuote)
{
    shader("x.glsl", "X");
    EXPECT_EQ(Shader::expandIncludes("#include\t\"x.glsl\"", "main.vs"), "X");
    // Also inside a comment: the text is found wherever it stands.
    EXPECT_EQ(Shader::expandIncludes("// #include \"x.glsl\"", "main.vs"), "// X");
}

TEST_F(ShaderSource, ShaderFilesAreReadThroughThePathResolver)
{
    shader("Lib/Mixed.GLSL", "mixed");
    EXPECT_EQ(Shader::loadFile("lib/mixed.glsl"), "mixed");
    shader("crlf.glsl", "a\r\nb\r\n");
    EXPECT_EQ(Shader::loadFile("crlf.glsl"), "a\nb\n");
}

TEST_F(ShaderSource, MalformedOrMissingIncludesEndTheProgram)
{
    shader("self.glsl", "x\n#include \"self.glsl\"\n");
    shader("a.glsl", "#include \"b.glsl\"");
    shader("b.glsl", "#include \"a.glsl\"");
    shader("bad_inside.glsl", "#include  \"x.glsl\"");
    const struct {
        std::string source;
        std::string line;
    } cases[] = {
        {"#include\"x.glsl\"", "ERROR: ERROR: invalid #include syntax in shader (leading quotes missing) \"main.fs\""},
        {"#include  \"x.glsl\"", "ERROR: ERROR: invalid #include syntax in shader (leading quotes missing) \"main.fs\""},
        {"void main() {}\n#include", "ERROR: ERROR: invalid #include syntax in shader (leading quotes missing) \"main.fs\""},
        {"#include \"x.glsl\n", "ERROR: ERROR: invalid #include syntax in shader (ending quotes missing) \"main.fs\""},
        {"#include \"missing.glsl\"", "ERROR: ERROR loading shader file \"missing.glsl\""},
        // Errors inside an included file name the stage file being compiled.
        {"#include \"bad_inside.glsl\"",
         "ERROR: ERROR: invalid #include syntax in shader (leading quotes missing) \"main.fs\""},
        {"#include \"self.glsl\"",
         "ERROR: #include nested too deeply (cyclic include?) in shader \"main.fs\": \"self.glsl\""},
        {"#include \"a.glsl\"",
         "ERROR: #include nested too deeply (cyclic include?) in shader \"main.fs\": \"a.glsl\""},
    };
    for (const auto& c : cases) {
        const ChildResult result = runInChild([&] { Shader::expandIncludes(c.source, "main.fs"); });
        EXPECT_EQ(result.exitCode, 255) << c.source;
        EXPECT_EQ(result.output, c.line + "\n") << c.source;
    }
}

TEST(ShaderRegistry, LookingUpAnUnknownNameEndsTheProgram)
{
    const ChildResult empty = runInChild([] { Shader::get(""); });
    EXPECT_EQ(empty.exitCode, 255);
    EXPECT_EQ(empty.output, "ERROR: Shader  is not loaded\n");
    const ChildResult named = runInChild([] { Shader::get("phong"); });
    EXPECT_EQ(named.output, "ERROR: Shader phong is not loaded\n");
}
