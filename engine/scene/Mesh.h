// The smallest drawable unit: one geometry with a mesh transform, a material, up to
// three textures, the program that draws it and the colour mode that picks its uniforms.
#pragma once

#include "scene/Geometry.h"
#include "scene/Material.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <string>

class Shader;

// Which colour uniforms Mesh::draw sets.
enum MeshColorMode : int {
    COLOR_MODE_MATERIAL = 0, // "material.ambient/diffuse/specular/shininess"; lit
    COLOR_MODE_NONE = 2,     // nothing (cube-mapped meshes); unlit
    COLOR_MODE_FLAT = 3,     // "color" (or "color_alpha") = the diffuse colour; unlit
};

class Mesh {
public:
    std::string m_name;
    int m_merge_locked = 0; // non-zero: never merged with another mesh
    Geometry* m_geometry = nullptr; // deleted with the mesh
    glm::mat4 m_transform = glm::mat4(1.0f); // world = model matrix * m_transform
    Material m_material;
    GLuint m_diffuse_tex = 0;
    GLuint m_normal_tex = 0; // bound for the sampler "texHeightmap"
    GLuint m_cube_tex = 0;
    Shader* m_shader = nullptr; // not owned
    int m_color_mode = COLOR_MODE_MATERIAL;
    bool m_use_alpha = false; // colour mode 3 uploads "color_alpha" instead of "color"
    float m_alpha = 1.0f;

    // Textures are not owned. Colour mode 2 when a cube texture is given, else 0.
    Mesh(Geometry* geometry, const glm::mat4& transform, const Material& material, GLuint diffuseTex,
         GLuint normalTex, GLuint cubeTex, Shader* shader);
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Draws with m_shader, which the caller has made current; modelMatrix may be null.
    void draw(const glm::mat4& projView, const glm::mat4* modelMatrix);
    // Appends the other mesh's geometry when the two are interchangeable (same program,
    // textures, colours, transform and alpha, neither uploaded nor locked, same arrays).
    bool tryMerge(Mesh& other);
};
