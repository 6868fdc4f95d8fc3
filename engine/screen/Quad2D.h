// Axis-aligned rectangles in 2D screen space: sprites, atlas cut-outs, flat colour
// boxes, a two-texture blend and lens-flare elements. Owns no vertex data: the vertex
// shader builds the two triangles of a quad from "pos" and "size" and the vertex and
// instance index, so each quad is one instanced draw of three vertices, two instances.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

class Shader;
class Texture;

class Quad2D {
public:
    // Pixel coordinates with the origin at (x, y), y upwards, over a w x h rectangle.
    Quad2D(float x, float y, float w, float h);
    // Deletes the vertex array.
    ~Quad2D();
    Quad2D(const Quad2D&) = delete;
    Quad2D& operator=(const Quad2D&) = delete;

    void setRect(float x, float y, float w, float h);

    // Textured sprite ("quad2d"), the whole texture or a part of it.
    void draw(Texture* tex, float x, float y, float w, float h);
    void draw(Texture* tex, float x, float y, float w, float h, glm::vec2 uvOffset, glm::vec2 uvScale);
    // Fast path for many cut-outs of one atlas: the caller has made "quad2d" current with
    // "projMat", "tex" and the vertex array; binds tex on unit 0 only when not null and
    // leaves the depth test alone.
    void drawRect(Texture* tex, float x, float y, float w, float h, glm::vec2 uvOffset, glm::vec2 uvScale);
    // tex1 times a grey version of tex2 tinted with blendColor ("quad2d_mul_gray").
    void drawBlend(Texture* tex1, Texture* tex2, glm::vec3 blendColor, float x, float y, float w, float h,
                   glm::vec2 uvOffset, glm::vec2 uvScale);
    // Flat colour ("quad2d_notex").
    void drawColor(glm::vec4 color, float x, float y, float w, float h);
    // One lens-flare element: a single-channel atlas tile tinted with color
    // ("quad2d_flare"). Leaves depth test and blending to the caller.
    void drawFlare(Texture* tex, glm::vec3 color, float x, float y, float w, float h, glm::vec2 uvOffset,
                   glm::vec2 uvScale);
    // Further elements after drawFlare: reuses its program, "projMat", "uv_scale",
    // texture and vertex array.
    void drawFlareColor(glm::vec3 color, float x, float y, float w, float h, glm::vec2 uvOffset);

    // Uniform values of a quad, with the sub-pixel adjustments applied.
    glm::vec2 quadPos(float x, float y) const { return glm::vec2(x, y) + posOffset * scale; }
    glm::vec2 quadSize(float w, float h) const { return glm::vec2(w, h) + sizeOffset * scale; }

    float scale = 1.0f;
    Shader* shader = nullptr;          // "quad2d"
    Shader* shaderNoTex = nullptr;     // "quad2d_notex"
    Shader* shaderMultiply = nullptr;  // "quad2d_multiply"
    Shader* shaderMulGray = nullptr;   // "quad2d_mul_gray"
    Shader* shaderNoTexDepth = nullptr; // "quad2d_notex_depth"
    Shader* shaderFlare = nullptr;     // "quad2d_flare"
    glm::mat4 projection = glm::mat4(1.0f);
    unsigned int vao = 0;
    glm::vec2 posOffset = glm::vec2(0.375f, 0.375f);
    glm::vec2 sizeOffset = glm::vec2(0.5f, 0.5f);

private:
    void setQuad(Shader* program, float x, float y, float w, float h);
    // setQuad plus the texture window and the projection.
    void setTexturedQuad(Shader* program, float x, float y, float w, float h, glm::vec2 uvOffset, glm::vec2 uvScale);
    void drawInstanced();
};

// Binds texture to unit 0 and draws the two instanced triangles of a quad from vao,
// with the program and its uniforms already set.
void drawTexturedQuad(GLuint vao, GLuint texture);
