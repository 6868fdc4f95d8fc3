// Textures loaded from the generated test images in assets/textures/engine: exact
// 16-bit heights, cube maps from faces and from a cross, normal maps from a bump map
// with known slopes, formats and flags, and the loaders' fatal ends.
#include "ChildProcess.h"
#include "GlTest.h"
#include "unit/TempDir.h"

#include "gl/Texture.h"

#include <IL/il.h>
#include <glm/glm.hpp>

#include <array>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using TextureTest = GlTest;

std::vector<unsigned char> readRgb(GLenum target, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

GLint levelParameter(GLenum target, GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(target, 0, name, &value);
    return value;
}

// Value of the generated 16-bit gradient at picture row r, column c.
int gradientValue(int c, int r)
{
    return (c == 32 && r == 16) ? 65535 : (c * 17 + r) * 113;
}

// Damaged copies of a sound PNG, made once per run: a chunk header claiming about
// 1 GB appended after IEND, and the image data chunk claiming 1 GB in place.
const std::string& damagedPng(int which)
{
    static TempDir dir;
    static const std::array<std::string, 2> paths = [] {
        std::ifstream in("assets/textures/engine/face_32x32.png", std::ios::binary);
        std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string claim("\x40\x00\x00\x00", 4);
        std::string inPlace = png;
        inPlace.replace(png.find("IDAT") - 4, 4, claim);
        return std::array<std::string, 2>{dir.write("appended.png", png + claim + "IDAT"),
                                          dir.write("in_place.png", inPlace)};
    }();
    return paths[which];
}

using Texel = glm::ivec3;

Texel texelAt(const std::vector<unsigned char>& rgb, int width, int x, int y)
{
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return Texel(p[0], p[1], p[2]);
}

} // namespace

TEST_F(TextureTest, HeightMapKeepsItsExact16BitSamplesInGlAndInTheImage)
{
    Texture heights;
    heights.m_keep_image = true;
    heights.m_no_mipmaps = true;
    heights.loadHeightTexture("engine/gradient16.png");
    ASSERT_EQ(heights.m_width, 33);
    ASSERT_EQ(heights.m_height, 17);
    ASSERT_NE(heights.m_image, 0u);

    glBindTexture(GL_TEXTURE_2D, heights.m_texture);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT16);
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
    std::vector<unsigned short> gl(33 * 17);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, gl.data());

    ilBindImage(heights.m_image);
    const auto* kept = reinterpret_cast<const unsigned short*>(ilGetData());
    int mismatches = 0;
    // Flipped on load: GL row 0 is the picture's bottom row.
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 33; ++x) {
            const int expected = gradientValue(x, 16 - y);
            mismatches += gl[y * 33 + x] != expected;
            mismatches += kept[y * 33 + x] != expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(gl[32], 65535);
    EXPECT_EQ(gl[16 * 33], 0);
}

TEST_F(TextureTest, CrossImageAndSixFilesGiveTheSameCubeMap)
{
    Texture faces;
    faces.m_flip = false;
    faces.loadCubeMap("engine/cube_", ".png");
    Texture cross;
    cross.m_flip = false;
    cross.loadCubeMapCross("engine/cube_cross.png");
    EXPECT_EQ(cross.m_width, 48);
    EXPECT_EQ(cross.m_height, 48);
    EXPECT_EQ(faces.m_width, 48);
    EXPECT_EQ(cross.m_target, static_cast<GLenum>(GL_TEXTURE_2D)) << "no loader changes the target";

    // The face colours of the generator, +X (the "E" file) first.
    const Texel colours[6] = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200},
                              {200, 200, 40}, {200, 40, 200}, {40, 200, 200}};
    for (int i = 0; i < 6; ++i) {
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + i;
        glBindTexture(GL_TEXTURE_CUBE_MAP, faces.m_texture);
        const auto fromFiles = readRgb(target, 48, 48);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cross.m_texture);
        const auto fromCross = readRgb(target, 48, 48);
        EXPECT_TRUE(fromFiles == fromCross) << "face " << i;
        EXPECT_EQ(texelAt(fromCross, 48, 24, 24), colours[i]) << "face " << i;
        // Not flipped: the white mark of the picture's top-left stays in row 4..15.
        EXPECT_EQ(texelAt(fromCross, 48, 8, 8), (Texel{255, 255, 255})) << "face " << i;
    }
}

TEST_F(TextureTest, NormalMapFollowsTheSlopesOfTheBumpMap)
{
    Texture normals;
    normals.createNormalMapFromBumpMap(false, "engine/bump.png", 0.25f);
    ASSERT_EQ(normals.m_width, 64);
    glBindTexture(GL_TEXTURE_2D, normals.m_texture);
    const auto rgb = readRgb(GL_TEXTURE_2D, 64, 64);
    // Rows count from the picture's bottom (flipped). Flat ground points straight up;
    // a height rising 3 per column tilts towards -x; rising 4 per row towards -y.
    EXPECT_EQ(texelAt(rgb, 64, 50, 48), (Texel{127, 127, 255}));
    EXPECT_EQ(texelAt(rgb, 64, 10, 48), (Texel{21, 127, 198}));
    EXPECT_EQ(texelAt(rgb, 64, 20, 10), (Texel{127, 13, 184}));

    // A zero strength would divide by zero: it is refused for 1.0.
    Texture zero;
    testing::internal::CaptureStdout();
    zero.createNormalMapFromBumpMap(false, "engine/bump.png", 0.0f);
    const std::string warning = testing::internal::GetCapturedStdout();
    EXPECT_EQ(warning.rfind("WARNING: ", 0), 0u) << warning;
    Texture one;
    one.createNormalMapFromBumpMap(false, "engine/bump.png", 1.0f);
    glBindTexture(GL_TEXTURE_2D, zero.m_texture);
    const auto fromZero = readRgb(GL_TEXTURE_2D, 64, 64);
    glBindTexture(GL_TEXTURE_2D, one.m_texture);
    EXPECT_TRUE(fromZero == readRgb(GL_TEXTURE_2D, 64, 64));
    EXPECT_EQ(texelAt(fromZero, 64, 10, 48), (Texel{1, 127, 148}));
}

TEST_F(TextureTest, FormatsAndFlagsShapeTheUpload)
{
    // One channel goes to GL as GL_RED (core profile has no luminance).
    Texture grey;
    grey.m_format = GL_LUMINANCE;
    grey.m_no_mipmaps = true;
    grey.load(false, "engine/bump.png");
    glBindTexture(GL_TEXTURE_2D, grey.m_texture);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), GL_RED);
    std::vector<unsigned char> red(64 * 64);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, red.data());
    EXPECT_EQ(red[48 * 64 + 50], 100);

    // RGB rows of 150 bytes arrive intact whatever unpack alignment was set before,
    // and the setting is left as it was.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    Texture odd(false, "engine/cross_width50.png");
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
    glBindTexture(GL_TEXTURE_2D, odd.m_texture);
    const auto rgb = readRgb(GL_TEXTURE_2D, 50, 36);
    EXPECT_EQ(std::count(rgb.begin(), rgb.end(), 128), 50 * 36 * 3);

    ILuint image = 0;
    {
        Texture imageOnly;
        imageOnly.m_load_image_only = true;
        imageOnly.m_keep_image = true;
        imageOnly.load(false, "engine/face_48x40.png");
        EXPECT_EQ(imageOnly.m_texture, 0u);
        EXPECT_EQ(imageOnly.m_width, 48);
        EXPECT_EQ(imageOnly.m_height, 40);
        image = imageOnly.m_image;
        EXPECT_TRUE(ilIsImage(image));
    }
    EXPECT_FALSE(ilIsImage(image)) << "the destructor frees the kept image";
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(TextureTest, WrappedNamesKnowTheirSize)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, name);
    std::vector<float> texels(1000 * 4, 0.5f);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA32F, 1000, 0, GL_RGBA, GL_FLOAT, texels.data());
    Texture wrapped(name);
    EXPECT_EQ(wrapped.m_texture, name);
    EXPECT_EQ(wrapped.m_width, 1000);
    EXPECT_EQ(wrapped.m_height, 1);
    glBindTexture(GL_TEXTURE_1D, 0);
}

TEST_F(TextureTest, DefaultTexturesAreOneTexelEach)
{
    createDefaultTextures();
    const struct {
        Texture* texture;
        GLenum format;
        GLint internalFormat;
        int channels;
    } defaults[] = {{gDefaultTextureRed, GL_RED, GL_RED, 1},
                    {gDefaultTextureWhite, GL_RGB, GL_RGB, 3},
                    {gDefaultTextureWhiteAlpha, GL_RGBA, GL_RGBA, 4}};
    for (const auto& d : defaults) {
        ASSERT_NE(d.texture, nullptr);
        EXPECT_EQ(d.texture->m_width, 1);
        EXPECT_EQ(d.texture->m_height, 1);
        glBindTexture(GL_TEXTURE_2D, d.texture->m_texture);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), d.internalFormat);
        unsigned char texel[4] = {0, 0, 0, 0};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, d.format, GL_UNSIGNED_BYTE, texel);
        for (int c = 0; c < d.channels; ++c)
            EXPECT_EQ(texel[c], 255);
    }
    const GLuint white = gDefaultTextureWhite->m_texture;
    deleteDefaultTextures();
    EXPECT_EQ(gDefaultTextureRed, nullptr);
    EXPECT_EQ(gDefaultTextureWhite, nullptr);
    EXPECT_EQ(gDefaultTextureWhiteAlpha, nullptr);
    EXPECT_FALSE(glIsTexture(white));
    deleteDefaultTextures(); // nothing left to delete
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(TextureTest, UnreadableOrMisshapenImagesEndTheProgram)
{
    const struct {
        void (*load)();
        const char* output;
    } cases[] = {
        // Files the 2D, height and six-face loaders cannot read: their own line only.
        {[] { Texture(false, "engine/nope.png"); }, "ERROR loading texture assets/textures/engine/nope.png\n"},
        {[] { Texture().loadHeightTexture("engine/nope.png"); }, "ERROR loading texture engine/nope.png\n"},
        {[] { Texture().loadCubeMap("engine/cube_", ".jpg"); }, "ERROR loading texture engine/cube_E.jpg\n"},
        // PNG chunks claiming more data than the file holds never reach the image library.
        {[] { Texture().load(true, damagedPng(0)); }, nullptr},
        {[] { Texture().load(true, damagedPng(1)); }, nullptr},
        {[] {
             Texture().loadCubeFaces("engine/cube_E.png", "engine/cube_X.png", "engine/cube_T.png",
                                     "engine/cube_B.png", "engine/cube_S.png", "engine/cube_N.png");
         },
         "ERROR loading texture engine/cube_X.png\n"},
        // Everything else takes the common fatal path.
        {[] { Texture().loadCubeMapCross("engine/nope.png"); }, "ERROR: ERROR loading texture engine/nope.png\n"},
        {[] { Texture().createNormalMapFromBumpMap(false, "engine/nope.png", 1.0f); },
         "ERROR: ERROR loading texture assets/textures/engine/nope.png\n"},
        {[] { Texture().loadCubeMapCross("engine/cross_width50.png"); },
         "ERROR: Cube map image width is not a multiple of 4: engine/cross_width50.png\n"},
        {[] { Texture().loadCubeMapCross("engine/cross_height38.png"); },
         "ERROR: Cube map image height is not a multiple of 3: engine/cross_height38.png\n"},
        {[] { Texture().loadCubeMapCross("engine/cross_cells16x12.png"); },
         "ERROR: Cube map face is not square: engine/cross_cells16x12.png\n"},
        {[] {
             Texture().loadCubeFaces("engine/cube_E.png", "engine/face_48x40.png", "engine/cube_T.png",
                                     "engine/cube_B.png", "engine/cube_S.png", "engine/cube_N.png");
         },
         "ERROR: Cube map face is not square: engine/face_48x40.png\n"},
        {[] {
             Texture().loadCubeFaces("engine/cube_E.png", "engine/cube_W.png", "engine/face_32x32.png",
                                     "engine/cube_B.png", "engine/cube_S.png", "engine/cube_N.png");
         },
         "ERROR: Cube map face size differs from the first face: engine/face_32x32.png\n"},
        {[] {
             Texture texture;
             texture.m_keep_image = true;
             texture.m_load_image_only = true;
             texture.loadCubeMap("engine/cube_", ".png");
         },
         "ERROR: m_keep_image not supported for cube textures\n"},
        {[] {
             Texture texture;
             texture.m_load_image_only = true;
             texture.loadCubeMapCross("engine/cube_cross.png");
         },
         "ERROR: m_load_image_only not supported for cube textures\n"},
        {[] { Texture().getDesignScreenSize(); }, "ERROR: Texture::getDesignScreenSize - not set\n"},
        {[] { Texture().getInvDesignScreenSize(); }, "ERROR: Texture::getInvDesignScreenSize - not set\n"},
    };
    damagedPng(0); // made here, not in a child
    int damaged = 0;
    for (const auto& c : cases) {
        const ChildResult result = runInChild(c.load);
        const std::string expected = c.output ? c.output : "ERROR loading texture " + damagedPng(damaged++) + "\n";
        EXPECT_EQ(result.exitCode, 255) << expected;
        EXPECT_EQ(result.output, expected);
    }
}
