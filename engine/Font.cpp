// Placeholder until the FreeType text renderer lands: the start-up does not create
// fonts yet, so nothing here is reached.
#include "Font.h"

Font::Font(const std::string&, int size) : pixelSize(size) {}
Font::~Font() = default;
void Font::initFreeType() {}
void Font::doneFreeType() {}
void Font::render(glm::vec2* outSize, bool, float, float, const std::string&)
{
    if (outSize)
        *outSize = glm::vec2(0.0f);
}
void Font::renderTop(glm::vec2* outSize, float x, float y, const std::string& text)
{
    render(outSize, false, x, y - pixelSize * style.scaleY, text);
}
void Font::setProjection(int, int) {}
void Font::onResize() {}
