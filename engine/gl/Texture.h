// One GL texture and, on request, the DevIL image it was loaded from: 2D colour and
// one-channel images, 16-bit height maps, cube maps (six files or one cross image),
// normal maps computed from bump maps, empty render targets, or an existing GL name.
#pragma once

#include <GL/glew.h>
#include <IL/il.h>
#include <glm/glm.hpp>

#include <string>

class Texture {
public:
    Texture() = default;
    // 2D texture from "<assets>/textures/" + file, RGBA when alpha, else RGB.
    Texture(bool alpha, const std::string& file);
    // Empty GL_RGBA8 render target of that size, no filter or wrap set.
    Texture(int width, int height);
    // Wraps an existing GL texture; the size is read from its level 0.
    explicit Texture(GLuint texture);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // The flags and m_format are set between construction and loading.
    void load(bool pathAsGiven, const std::string& file);
    // 16-bit luminance image as a GL_DEPTH_COMPONENT16 texture.
    void loadHeightTexture(const std::string& file);
    // Faces in the order +X, -X, +Y, -Y, +Z, -Z.
    void loadCubeFaces(const std::string& posX, const std::string& negX, const std::string& posY,
                       const std::string& negY, const std::string& posZ, const std::string& negZ);
    // base + "E", "W", "T", "B", "S", "N" + extension.
    void loadCubeMap(const std::string& base, const std::string& extension);
    // One image of 4 x 3 face cells.
    void loadCubeMapCross(const std::string& file);
    // RGB tangent-space normal map from a one-channel bump map; a larger strength
    // gives a flatter map.
    void createNormalMapFromBumpMap(bool pathAsGiven, const std::string& file, float strength);

    void setDesignScreenSize(glm::vec2 size);
    glm::vec2 getDesignScreenSize() const;
    glm::vec2 getInvDesignScreenSize() const;

    bool m_flip = true;
    bool m_keep_image = false;
    bool m_load_image_only = false;
    GLenum m_format = GL_RGB; // GL_RGB, GL_RGBA or GL_LUMINANCE
    bool m_no_mipmaps = false;
    int m_use_count = 1;
    GLuint m_texture = 0;
    ILuint m_image = 0;
    int m_width = 0;  // of one face for cube maps
    int m_height = 0; // of one face for cube maps
    GLenum m_target = GL_TEXTURE_2D;
    glm::vec2 m_design_size = glm::vec2(-1.0f, -1.0f);
    glm::vec2 m_inv_design_size = glm::vec2(-1.0f, -1.0f);

private:
    void beginCubeMap();
    // Keeps the DevIL image when m_keep_image asks for it, else frees it.
    void keepOrDeleteImage(ILuint image);
};

// 1x1 textures living from start-up to shutdown: red (GL_RED 255), white (RGB) and
// white with alpha (RGBA).
extern Texture* gDefaultTextureRed;
extern Texture* gDefaultTextureWhite;
extern Texture* gDefaultTextureWhiteAlpha;

void createDefaultTextures();
void deleteDefaultTextures();
