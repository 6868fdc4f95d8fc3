#include "screen/Font.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "platform/FrameGlobals.h"
#include "platform/ResizeListeners.h"
#include "gl/Shader.h"

#include <GL/glew.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

FT_Library gFreeType = nullptr;

void fontResized(void* listener, int)
{
    static_cast<Font*>(listener)->onResize();
}

// Copies a rendered glyph into tightly packed 8-bit grey rows, top row first. Outline
// fonts give grey rows already; bitmap fonts give 1 bit per pixel. Rows may be padded
// (pitch above the width) or stored bottom-up (negative pitch), and nothing beyond
// rows x |pitch| bytes is read. Other pixel modes (colour, sub-pixel) are refused.
bool glyphToGrey(const FT_Bitmap& bitmap, std::vector<unsigned char>& grey)
{
    const size_t width = bitmap.width;
    const size_t rows = bitmap.rows;
    const size_t stride = static_cast<size_t>(std::abs(bitmap.pitch));
    grey.assign(width * rows, 0);
    if (width == 0 || rows == 0)
        return true;
    if (!bitmap.buffer)
        return false;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return false;
    if (stride < (mono ? (width + 7) / 8 : width))
        return false;
    for (size_t r = 0; r < rows; ++r) {
        const unsigned char* row = bitmap.buffer + (bitmap.pitch >= 0 ? r : rows - 1 - r) * stride;
        unsigned char* out = &grey[r * width];
        for (size_t x = 0; x < width; ++x)
            out[x] = mono ? ((row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0) : row[x];
    }
    return true;
}

} // namespace

void Font::initFreeType()
{
    if (gFreeType)
        return;
    if (FT_Init_FreeType(&gFreeType) != 0) {
        gFreeType = nullptr;
        fatalError("Failed to init freetype library");
    }
}

void Font::doneFreeType()
{
    if (!gFreeType)
        return;
    FT_Done_FreeType(gFreeType);
    gFreeType = nullptr;
}

Font::Font(const std::string& fontFile, int size)
{
    style = FontStyle();
    savedStyle = FontStyle();
    savedStyle.scaleX = savedStyle.scaleY = 0.0f;
    savedStyle.color = glm::vec3(0.0f);
    initFreeType();
    pixelSize = size;

    FT_Face face = nullptr;
    const std::string path = resolvePath(gAssetsDir + "/fonts/" + fontFile);
    if (FT_New_Face(gFreeType, path.c_str(), 0, &face) != 0)
        fatalError("Failed to load font \"" + fontFile + "\"");
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
    loadGlyphs(face);
    FT_Done_Face(face);

    shader = Shader::get("text");
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(float) * 6 * 4, nullptr, GL_DYNAMIC_DRAW);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glEnableVertexAttribArray(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    setProjection(gWindowWidth, gWindowHeight);
    registerResizeListener(this, fontResized);
}

Font::~Font()
{
    unregisterResizeListener(this);
    for (auto& entry : glyphs)
        glDeleteTextures(1, &entry.second.texture);
    glyphs.clear();
    if (vbo)
        glDeleteBuffers(1, &vbo);
    if (vao)
        glDeleteVertexArrays(1, &vao);
}

void Font::loadGlyphs(FT_FaceRec_* face)
{
    GLint oldAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<unsigned char> grey;
    for (int code = 0; code < 128; ++code) {
        // The code goes out as a number: most of these are control characters.
        if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER) != 0 ||
            !glyphToGrey(face->glyph->bitmap, grey))
            fatalError("Failed to load font character code " + std::to_string(code));
        const FT_GlyphSlot slot = face->glyph;
        Character glyph;
        glGenTextures(1, &glyph.texture);
        glBindTexture(GL_TEXTURE_2D, glyph.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, static_cast<GLsizei>(slot->bitmap.width),
                     static_cast<GLsizei>(slot->bitmap.rows), 0, GL_RED, GL_UNSIGNED_BYTE, grey.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glyph.size = glm::ivec2(static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows));
        glyph.bearing = glm::ivec2(slot->bitmap_left, slot->bitmap_top);
        glyph.advance = static_cast<long>(slot->advance.x);
        glyphs[static_cast<char>(code)] = glyph;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
}

void Font::render(glm::vec2* outSize, bool measureOnly, float x, float y, const std::string& text)
{
    const bool drawing = !measureOnly;
    if (drawing) {
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glUseProgram(shader->m_program);
        shader->setUniform("matProj", projection);
        shader->setUniform("color", style.color);
        glActiveTexture(GL_TEXTURE0);
        glBindVertexArray(vao);
    }

    const float x0 = x;
    int tabs = 0;
    float minX = x, maxX = x, minY = y, maxY = y;

    for (char c : text) {
        if (c == '\0')
            break;
        if (c == '\n') {
            y -= pixelSize * style.scaleY * style.lineSpacing;
            x = x0;
            tabs = 0;
            continue;
        }
        if (c == '\r')
            continue;
        if (c == '\t') {
            tabs += 1;
            x = x0 + tabs * style.tabWidth * style.scaleX;
            continue;
        }
        if (c < 0)
            c = '?';
        const auto found = glyphs.find(c);
        if (found == glyphs.end())
            continue;
        const Character& glyph = found->second;
        const float heightFactor =
            (style.lowerCaseFactor != 0.0f && std::islower(static_cast<unsigned char>(c))) ? style.lowerCaseFactor
                                                                                            : 1.0f;

        const float xl = x + glyph.bearing.x * style.scaleX;
        const float xr = xl + glyph.size.x * style.scaleX;
        const float yb = y - (glyph.size.y - glyph.bearing.y) * style.scaleY * heightFactor;
        const float yt = yb + glyph.size.y * style.scaleY * heightFactor;

        if (drawing) {
            // Glyph bitmaps are stored top row first: v = 0 at the top edge.
            const float vertices[6][4] = {
                {xl, yt, 0.0f, 0.0f}, {xl, yb, 0.0f, 1.0f}, {xr, yb, 1.0f, 1.0f},
                {xl, yt, 0.0f, 0.0f}, {xr, yb, 1.0f, 1.0f}, {xr, yt, 1.0f, 0.0f},
            };
            glBindBuffer(GL_ARRAY_BUFFER, vbo);
            glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof vertices, vertices);
            glBindTexture(GL_TEXTURE_2D, glyph.texture);
            glDrawArrays(GL_TRIANGLES, 0, 6);
        }

        maxY = glm::max(maxY, yt);
        maxX = glm::max(maxX, xr);
        minX = glm::min(minX, xl);
        minY = glm::min(minY, yb);

        x += static_cast<float>(glyph.advance >> 6) * style.scaleX;
    }

    if (drawing) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindVertexArray(0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    }
    if (outSize)
        *outSize = glm::vec2(maxX - minX, maxY - minY);
}

void Font::renderTop(glm::vec2* outSize, float x, float y, const std::string& text)
{
    render(outSize, false, x, y - pixelSize * style.scaleY, text);
}

void Font::setProjection(int width, int height)
{
    projection = glm::ortho(0.0f, static_cast<float>(width), 0.0f, static_cast<float>(height));
}

void Font::onResize()
{
    setProjection(gWindowWidth, gWindowHeight);
}
