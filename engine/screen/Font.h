// Text drawn from per-glyph textures rendered by FreeType, measured in screen pixels.
#pragma once

#include <glm/glm.hpp>

#include <map>
#include <string>

class Shader;
struct FT_FaceRec_;

struct Character {
    unsigned int texture = 0;
    glm::ivec2 size = glm::ivec2(0);
    glm::ivec2 bearing = glm::ivec2(0);
    long advance = 0; // 1/64 pixels
};

// The eight floats of a font's current style, saved and restored as one block.
struct FontStyle {
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    glm::vec3 color = glm::vec3(1.0f, 0.0f, 0.0f);
    float lowerCaseFactor = 0.0f; // 0: off
    float lineSpacing = 1.0f;     // in multiples of the pixel size
    float tabWidth = 50.0f;       // pixels before scaling
};

class Font {
public:
    Font(const std::string& fontFile, int pixelSize);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    static void initFreeType();
    static void doneFreeType();

    // Draws (unless measureOnly) text whose first baseline starts at (x, y) and
    // writes the size of its bounding box to *outSize (when given).
    void render(glm::vec2* outSize, bool measureOnly, float x, float y, const std::string& text);
    // As render, with y the top of the first line.
    void renderTop(glm::vec2* outSize, float x, float y, const std::string& text);

    // Renders codes 0..127 of the face into one texture each.
    void loadGlyphs(FT_FaceRec_* face);

    void setProjection(int width, int height);
    void onResize();
    void saveStyle() { savedStyle = style; }
    void restoreStyle() { style = savedStyle; }

    FontStyle style;
    std::map<char, Character> glyphs;
    int pixelSize = 0;
    Shader* shader = nullptr;
    unsigned int vao = 0;
    unsigned int vbo = 0;
    glm::mat4 projection = glm::mat4(1.0f);
    FontStyle savedStyle;
};
