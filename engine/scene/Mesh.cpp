#include "scene/Mesh.h"

#include "gl/Shader.h"
#include "gl/Texture.h"

namespace {

bool sameArrays(const Geometry& a, const Geometry& b)
{
    return (a.m_positions == nullptr) == (b.m_positions == nullptr) &&
           (a.m_normals == nullptr) == (b.m_normals == nullptr) && (a.m_uvs == nullptr) == (b.m_uvs == nullptr) &&
           (a.m_tangents == nullptr) == (b.m_tangents == nullptr) &&
           (a.m_indices == nullptr) == (b.m_indices == nullptr);
}

bool sameMaterial(const Material& a, const Material& b)
{
    for (int i = 0; i < 3; ++i) {
        if (!(a.ambient[i] == b.ambient[i]))
            return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!(a.diffuse[i] == b.diffuse[i]))
            return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!(a.specular[i] == b.specular[i]))
            return false;
    }
    return a.shininess == b.shininess;
}

bool sameMatrix(const glm::mat4& a, const glm::mat4& b)
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!(a[c][r] == b[c][r]))
                return false;
    return true;
}

} // namespace

Mesh::Mesh(Geometry* geometry, const glm::mat4& transform, const Material& material, GLuint diffuseTex,
           GLuint normalTex, GLuint cubeTex, Shader* shader)
    : m_geometry(geometry), m_transform(transform), m_material(material), m_diffuse_tex(diffuseTex),
      m_normal_tex(normalTex), m_cube_tex(cubeTex), m_shader(shader),
      m_color_mode(cubeTex != 0 ? COLOR_MODE_NONE : COLOR_MODE_MATERIAL)
{
}

Mesh::~Mesh()
{
    delete m_geometry;
}

void Mesh::draw(const glm::mat4& projView, const glm::mat4* modelMatrix)
{
    const glm::mat4 world = modelMatrix ? *modelMatrix * m_transform : m_transform;
    if (m_shader->m_use_mvp) {
        m_shader->setUniform("matMVP", projView * world);
    } else {
        m_shader->setUniform("matModel", world);
        m_shader->setUniform("matProjView", projView);
    }

    if (m_color_mode == COLOR_MODE_MATERIAL) {
        m_shader->setUniform("material.ambient", m_material.ambient);
        m_shader->setUniform("material.diffuse", m_material.diffuse);
        m_shader->setUniform("material.specular", m_material.specular);
        m_shader->setUniform("material.shininess", m_material.shininess);
    } else if (m_color_mode == COLOR_MODE_FLAT) {
        if (m_use_alpha)
            m_shader->setUniform("color_alpha", glm::vec4(m_material.diffuse, m_alpha));
        else
            m_shader->setUniform("color", m_material.diffuse);
    }

    if (m_diffuse_tex != 0 || (m_shader->m_optional_diffuse && gDefaultTextureWhite)) {
        m_shader->setUniform("texDiffColor", 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, m_diffuse_tex != 0 ? m_diffuse_tex : gDefaultTextureWhite->m_texture);
    }
    if (m_shader->m_optional_diffuse)
        m_shader->setUniform("hasTex0", m_diffuse_tex != 0 ? 1 : 0);
    if (m_normal_tex != 0) {
        m_shader->setUniform("texHeightmap", 1);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, m_normal_tex);
    }
    if (m_cube_tex != 0) {
        m_shader->setUniform("texCubeMap", 2);
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_CUBE_MAP, m_cube_tex);
    }

    if (m_geometry && m_geometry->m_triangle_count > 0) {
        glBindVertexArray(m_geometry->upload());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * m_geometry->m_triangle_count), GL_UNSIGNED_INT,
                       nullptr);
        glBindVertexArray(0);
    }
}

bool Mesh::tryMerge(Mesh& other)
{
    if (m_merge_locked || other.m_merge_locked)
        return false;
    if (m_shader != other.m_shader || m_color_mode != other.m_color_mode || m_diffuse_tex != other.m_diffuse_tex ||
        m_normal_tex != other.m_normal_tex || m_cube_tex != other.m_cube_tex)
        return false;
    if (!sameMaterial(m_material, other.m_material) || !sameMatrix(m_transform, other.m_transform))
        return false;
    if (m_use_alpha != other.m_use_alpha || !(m_alpha == other.m_alpha))
        return false;
    if (!m_geometry || !other.m_geometry || m_geometry->isUploaded() || other.m_geometry->isUploaded())
        return false;
    if (!sameArrays(*m_geometry, *other.m_geometry))
        return false;
    m_geometry->append(*other.m_geometry);
    return true;
}
