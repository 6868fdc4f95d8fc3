#include "gl/Texture.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "platform/Gamma.h"
#include "platform/PngCheck.h"

#include <IL/ilu.h>

#include <cmath>
#include <cstring>
#include <iostream>
#include <vector>

Texture* gDefaultTextureRed = nullptr;
Texture* gDefaultTextureWhite = nullptr;
Texture* gDefaultTextureWhiteAlpha = nullptr;

namespace {

// A texture file that cannot be read ends the program at once with its own line and
// no key prompt; the user's display gamma is still put back first.
[[noreturn]] void textureLoadFailure(const std::string& line)
{
    std::cout << line << std::endl;
    restoreGammaCorrection();
    exitNow(-1);
}

// Rows of image data are tightly packed (RGB rows, 16-bit rows and cube faces are
// often not a multiple of 4 bytes); the previous unpack alignment is put back after.
class TightUnpack {
public:
    TightUnpack()
    {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &m_previous);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~TightUnpack() { glPixelStorei(GL_UNPACK_ALIGNMENT, m_previous); }

private:
    GLint m_previous = 4;
};

// Core profile has no luminance formats: one channel goes to GL as GL_RED.
GLenum glFormatOf(ILint imageFormat)
{
    return imageFormat == IL_LUMINANCE ? GL_RED : static_cast<GLenum>(imageFormat);
}

std::string texturePath(const std::string& file)
{
    return gAssetsDir + "/textures/" + file;
}

// A PNG whose chunk list does not hold together never reaches the image library.
bool loadImageFile(const std::string& path)
{
    const std::string file = resolvePath(path);
    return pngFileProblem(file).empty() && ilLoadImage(file.c_str()) == IL_TRUE;
}

using LoadFailure = void (*)(const std::string&);

// Reads path into the bound DevIL image, flipped when asked and converted to the
// given format and type; a failure is reported with the name the caller shows.
void readBoundImage(const std::string& path, const std::string& shown, bool flip, ILenum format, ILenum type,
                    LoadFailure fail)
{
    if (!loadImageFile(path))
        fail("ERROR loading texture " + shown);
    if (flip)
        iluFlipImage();
    if (!ilConvertImage(format, type))
        fail("ERROR loading texture (conversion) " + shown);
}

ILuint newBoundImage()
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    return image;
}

void setRepeatWrap()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void setMipmapsAndFilters(GLenum target, bool noMipmaps)
{
    if (!noMipmaps)
        glGenerateMipmap(target);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, noMipmaps ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void printGlError(const char* step)
{
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        std::cout << step << " err " << error << std::endl;
}

void setCubeSampling()
{
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
}

bool haveDirectStateAccess()
{
    return (GLEW_VERSION_4_5 || GLEW_ARB_direct_state_access) && glGetTextureLevelParameteriv != nullptr;
}

Texture* makeDefaultTexture(GLenum format, const unsigned char* texel)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    {
        TightUnpack unpack;
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), 1, 1, 0, format, GL_UNSIGNED_BYTE, texel);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    setRepeatWrap();
    return new Texture(name);
}

void deleteDefault(Texture*& texture)
{
    delete texture;
    texture = nullptr;
}

} // namespace

Texture::Texture(bool alpha, const std::string& file)
{
    m_format = alpha ? GL_RGBA : GL_RGB;
    load(false, file);
}

Texture::Texture(int width, int height)
{
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    m_width = width;
    m_height = height;
}

Texture::Texture(GLuint texture)
{
    m_texture = texture;
    if (haveDirectStateAccess()) {
        glGetTextureLevelParameteriv(texture, 0, GL_TEXTURE_WIDTH, &m_width);
        glGetTextureLevelParameteriv(texture, 0, GL_TEXTURE_HEIGHT, &m_height);
        return;
    }
    // Without direct state access: bind it where it fits (the wrapped textures are 2D,
    // or 1D for the particles' random vectors) and put the old binding back.
    const struct {
        GLenum target;
        GLenum binding;
    } kTargets[] = {{GL_TEXTURE_2D, GL_TEXTURE_BINDING_2D}, {GL_TEXTURE_1D, GL_TEXTURE_BINDING_1D}};
    for (const auto& candidate : kTargets) {
        GLint previous = 0;
        glGetIntegerv(candidate.binding, &previous);
        glGetError();
        glBindTexture(candidate.target, texture);
        if (glGetError() != GL_NO_ERROR)
            continue;
        glGetTexLevelParameteriv(candidate.target, 0, GL_TEXTURE_WIDTH, &m_width);
        glGetTexLevelParameteriv(candidate.target, 0, GL_TEXTURE_HEIGHT, &m_height);
        glBindTexture(candidate.target, static_cast<GLuint>(previous));
        return;
    }
}

Texture::~Texture()
{
    if (m_texture != 0)
        glDeleteTextures(1, &m_texture);
    if (m_image != 0)
        ilDeleteImages(1, &m_image);
}

void Texture::load(bool pathAsGiven, const std::string& file)
{
    const std::string path = pathAsGiven ? file : texturePath(file);
    const ILuint image = newBoundImage();
    readBoundImage(path, path, m_flip, m_format, IL_UNSIGNED_BYTE, textureLoadFailure);
    m_width = ilGetInteger(IL_IMAGE_WIDTH);
    m_height = ilGetInteger(IL_IMAGE_HEIGHT);

    if (!m_load_image_only) {
        glGenTextures(1, &m_texture);
        glBindTexture(GL_TEXTURE_2D, m_texture);
        const GLenum format = m_format == GL_LUMINANCE ? GL_RED : glFormatOf(ilGetInteger(IL_IMAGE_FORMAT));
        printGlError("(1)");
        {
            TightUnpack unpack;
            glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), m_width, m_height, 0, format,
                         GL_UNSIGNED_BYTE, ilGetData());
        }
        printGlError("(2)");
        if (!m_no_mipmaps)
            glGenerateMipmap(GL_TEXTURE_2D);
        printGlError("(3)");
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, m_no_mipmaps ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        setRepeatWrap();
    }
    keepOrDeleteImage(image);
}

void Texture::loadHeightTexture(const std::string& file)
{
    const ILuint image = newBoundImage();
    readBoundImage(texturePath(file), file, m_flip, IL_LUMINANCE, IL_UNSIGNED_SHORT, textureLoadFailure);
    m_width = ilGetInteger(IL_IMAGE_WIDTH);
    m_height = ilGetInteger(IL_IMAGE_HEIGHT);

    if (!m_load_image_only) {
        glGenTextures(1, &m_texture);
        glBindTexture(GL_TEXTURE_2D, m_texture);
        {
            TightUnpack unpack;
            glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT16, m_width, m_height, 0, GL_DEPTH_COMPONENT,
                         GL_UNSIGNED_SHORT, ilGetData());
        }
        setMipmapsAndFilters(GL_TEXTURE_2D, m_no_mipmaps);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    keepOrDeleteImage(image);
}

void Texture::beginCubeMap()
{
    if (m_keep_image)
        fatalError("m_keep_image not supported for cube textures");
    if (m_load_image_only)
        fatalError("m_load_image_only not supported for cube textures");
}

void Texture::loadCubeFaces(const std::string& posX, const std::string& negX, const std::string& posY,
                            const std::string& negY, const std::string& posZ, const std::string& negZ)
{
    beginCubeMap();
    const std::string* files[6] = {&posX, &negX, &posY, &negY, &posZ, &negZ};
    const ILuint image = newBoundImage();
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, m_texture);

    for (int face = 0; face < 6; ++face) {
        const std::string& file = *files[face];
        readBoundImage(texturePath(file), file, m_flip, m_format, IL_UNSIGNED_BYTE, textureLoadFailure);
        const int width = ilGetInteger(IL_IMAGE_WIDTH);
        const int height = ilGetInteger(IL_IMAGE_HEIGHT);
        // GL refuses non-square or mismatched faces, which would leave a black sky.
        if (width != height)
            fatalError("Cube map face is not square: " + file);
        if (face == 0) {
            m_width = width;
            m_height = height;
        } else if (width != m_width) {
            fatalError("Cube map face size differs from the first face: " + file);
        }
        const GLenum format = glFormatOf(ilGetInteger(IL_IMAGE_FORMAT));
        TightUnpack unpack;
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, static_cast<GLint>(format), width, height, 0, format,
                     GL_UNSIGNED_BYTE, ilGetData());
    }

    setCubeSampling();
    ilDeleteImages(1, &image);
}

void Texture::loadCubeMap(const std::string& base, const std::string& extension)
{
    loadCubeFaces(base + "E" + extension, base + "W" + extension, base + "T" + extension, base + "B" + extension,
                  base + "S" + extension, base + "N" + extension);
}

void Texture::loadCubeMapCross(const std::string& file)
{
    beginCubeMap();
    const ILuint image = newBoundImage();
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, m_texture);
    readBoundImage(texturePath(file), file, m_flip, m_format, IL_UNSIGNED_BYTE, fatalError);

    const int width = ilGetInteger(IL_IMAGE_WIDTH);
    const int height = ilGetInteger(IL_IMAGE_HEIGHT);
    if (width % 4 != 0)
        fatalError("Cube map image width is not a multiple of 4: " + file);
    if (height % 3 != 0)
        fatalError("Cube map image height is not a multiple of 3: " + file);
    m_width = width / 4;
    m_height = height / 3;
    if (m_width != m_height)
        fatalError("Cube map face is not square: " + file);

    const int bytesPerPixel = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    const GLenum format = glFormatOf(ilGetInteger(IL_IMAGE_FORMAT));
    const size_t faceRow = static_cast<size_t>(m_width) * bytesPerPixel;
    const size_t imageRow = static_cast<size_t>(width) * bytesPerPixel;
    std::vector<unsigned char> face(faceRow * m_height);
    const unsigned char* pixels = ilGetData();

    // Cell (column, row) of each face in the 4 x 3 grid, in the order +X -X +Y -Y +Z -Z.
    static const int kCells[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {3, 1}};
    TightUnpack unpack;
    for (int i = 0; i < 6; ++i) {
        const size_t left = static_cast<size_t>(kCells[i][0]) * faceRow;
        const size_t top = static_cast<size_t>(kCells[i][1]) * m_height;
        for (int row = 0; row < m_height; ++row)
            std::memcpy(&face[row * faceRow], pixels + (top + row) * imageRow + left, faceRow);
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, static_cast<GLint>(format), m_width, m_height, 0, format,
                     GL_UNSIGNED_BYTE, face.data());
    }

    setCubeSampling();
    ilDeleteImages(1, &image);
}

void Texture::createNormalMapFromBumpMap(bool pathAsGiven, const std::string& file, float strength)
{
    // z = 1 / strength: a zero strength would put infinities and NaNs in the map.
    if (!std::isfinite(strength) || strength == 0.0f) {
        std::cout << "WARNING: createNormalMapFromBumpMap: invalid strength " << strength << " for " << file
                  << ", using 1.0" << std::endl;
        strength = 1.0f;
    }
    const std::string path = pathAsGiven ? file : texturePath(file);
    const ILuint image = newBoundImage();
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    readBoundImage(path, path, m_flip, IL_LUMINANCE, IL_UNSIGNED_BYTE, fatalError);

    const int width = ilGetInteger(IL_IMAGE_WIDTH);
    const int height = ilGetInteger(IL_IMAGE_HEIGHT);
    m_width = width;
    m_height = height;
    if (ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL) != 1)
        fatalError("createNormalMapFromBumpMap: expected 1 byte per pixel");

    const unsigned char* bump = ilGetData();
    const auto h = [&](int x, int y) {
        x = x < 0 ? 0 : (x >= width ? width - 1 : x);
        y = y < 0 ? 0 : (y >= height ? height - 1 : y);
        return static_cast<int>(bump[static_cast<size_t>(y) * width + x]);
    };
    const float z = 1.0f / strength;
    std::vector<unsigned char> normals(static_cast<size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float dx = static_cast<float>(h(x - 1, y) - h(x + 1, y));
            const float dy = static_cast<float>(h(x, y - 1) - h(x, y + 1));
            const float len = std::sqrt(dx * dx + dy * dy + z * z);
            unsigned char* texel = &normals[(static_cast<size_t>(y) * width + x) * 3];
            texel[0] = static_cast<unsigned char>((dx / len * 0.5f + 0.5f) * 255.0f);
            texel[1] = static_cast<unsigned char>((dy / len * 0.5f + 0.5f) * 255.0f);
            texel[2] = static_cast<unsigned char>((z / len * 0.5f + 0.5f) * 255.0f);
        }
    }
    {
        TightUnpack unpack;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, normals.data());
    }
    setMipmapsAndFilters(GL_TEXTURE_2D, m_no_mipmaps);
    setRepeatWrap();
    keepOrDeleteImage(image);
}

void Texture::keepOrDeleteImage(ILuint image)
{
    if (m_keep_image)
        m_image = image;
    else
        ilDeleteImages(1, &image);
}

void Texture::setDesignScreenSize(glm::vec2 size)
{
    m_design_size = size;
    m_inv_design_size = glm::vec2(1.0f / size.x, 1.0f / size.y);
}

glm::vec2 Texture::getDesignScreenSize() const
{
    if (m_design_size.x < 0.0f)
        fatalError("Texture::getDesignScreenSize - not set");
    return m_design_size;
}

glm::vec2 Texture::getInvDesignScreenSize() const
{
    if (m_inv_design_size.x < 0.0f)
        fatalError("Texture::getInvDesignScreenSize - not set");
    return m_inv_design_size;
}

void createDefaultTextures()
{
    const unsigned char red[1] = {255};
    const unsigned char white[3] = {255, 255, 255};
    const unsigned char whiteAlpha[4] = {255, 255, 255, 255};
    gDefaultTextureRed = makeDefaultTexture(GL_RED, red);
    gDefaultTextureWhite = makeDefaultTexture(GL_RGB, white);
    gDefaultTextureWhiteAlpha = makeDefaultTexture(GL_RGBA, whiteAlpha);
}

void deleteDefaultTextures()
{
    deleteDefault(gDefaultTextureRed);
    deleteDefault(gDefaultTextureWhite);
    deleteDefault(gDefaultTextureWhiteAlpha);
}
