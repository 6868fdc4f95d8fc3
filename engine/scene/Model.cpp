#include "scene/Model.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "scene/KDTree.h"
#include "scene/Light.h"
#include "scene/MaterialLibraryCheck.h"
#include "gl/Shader.h"
#include "gl/Texture.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <btBulletCollisionCommon.h>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iostream>

std::vector<Model*> gModels;
std::vector<Model*> gDrawList;
const ModelImportOptions gDefaultImportOptions;

namespace {

// Assimp opens the model file and everything it names (the material library) through
// this, so that names written with backslashes or in another letter case still resolve.
class ResolvingIOSystem : public Assimp::DefaultIOSystem {
public:
    bool Exists(const char* file) const override
    {
        return Assimp::DefaultIOSystem::Exists(resolvePath(file).c_str());
    }
    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        const std::string path = resolvePath(file);
        if (isMaterialLibrary(path) && materialLibraryNamesTextureFirst(readTextFile(path)))
            fatalError("Material library \"" + std::string(file) + "\" names a texture before any newmtl");
        return Assimp::DefaultIOSystem::Open(path.c_str(), mode);
    }

private:
    static bool isMaterialLibrary(const std::string& path)
    {
        if (path.size() < 4)
            return false;
        std::string extension = path.substr(path.size() - 4);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return extension == ".mtl";
    }
};

bool removeFirst(std::vector<Model*>& list, const void* object)
{
    auto it = std::find(list.begin(), list.end(), object);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

void releaseTexture(Texture* texture)
{
    texture->m_use_count -= 1;
    if (texture->m_use_count <= 0)
        delete texture;
}

} // namespace

std::string modelTypeName(int type)
{
    static const char* names[] = {"Unknown", "Player", "Crawler", "Bomb", "Crystal", "Liquid"};
    if (type >= 0 && type <= 5)
        return names[type];
    return "(modeltype " + std::to_string(type) + ")";
}

bool removeFromDrawList(void* object)
{
    return removeFirst(gDrawList, object);
}

Model::Model(Mesh* mesh)
{
    gModels.push_back(this);
    m_shader = mesh->m_shader;
    m_meshes.push_back(mesh);
}

Model::Model(const std::string& file, const glm::mat4& importTransform, Shader* shader, bool applyImportTransform,
             const ModelImportOptions* options)
    : m_shader(shader), m_import_transform(importTransform), m_apply_import_transform(applyImportTransform),
      m_import_options(options ? *options : gDefaultImportOptions)
{
    gModels.push_back(this);
    importFile(file);
}

Model::Model(const Model& source, bool deepCopy)
{
    gModels.push_back(this);
    if (deepCopy) {
        for (const Mesh* from : source.m_meshes) {
            Mesh* mesh = new Mesh(new Geometry(*from->m_geometry), from->m_transform, from->m_material,
                                  from->m_diffuse_tex, from->m_normal_tex, from->m_cube_tex, from->m_shader);
            mesh->m_name = from->m_name;
            mesh->m_merge_locked = from->m_merge_locked;
            mesh->m_color_mode = from->m_color_mode;
            mesh->m_use_alpha = from->m_use_alpha;
            mesh->m_alpha = from->m_alpha;
            m_meshes.push_back(mesh);
        }
        for (Texture* texture : source.m_textures) {
            m_textures.push_back(texture);
            texture->m_use_count += 1;
        }
    } else {
        m_clone_source = const_cast<Model*>(&source);
        m_clone_source->m_clone_count += 1;
        m_meshes = source.m_meshes;
        m_textures = source.m_textures;
    }
    m_shader = source.m_shader;
    m_single_shader = source.m_single_shader;
    m_model_matrix = source.m_model_matrix;
    m_visible = source.m_visible;
    m_name = source.m_name;
    m_type = source.m_type;
    m_scale = source.m_scale;
}

Model::~Model()
{
    removeFirst(gModels, this);
    if (m_culling_entity)
        std::cout << "WARNING: Model to be destructed still has a culling entity set" << std::endl;
    if (!m_clone_source) {
        if (m_clone_count != 0)
            std::cout << "WARNING: Model to be destructed still has " << m_clone_count << " clones." << std::endl;
        for (auto it = m_meshes.rbegin(); it != m_meshes.rend(); ++it)
            delete *it;
        for (auto it = m_textures.rbegin(); it != m_textures.rend(); ++it)
            releaseTexture(*it);
    } else {
        m_clone_source->m_clone_count -= 1;
    }
}

bool Model::meshShaderLess(const Mesh* a, const Mesh* b)
{
    if (!a->m_shader)
        return b->m_shader != nullptr;
    return b->m_shader && a->m_shader < b->m_shader;
}

void Model::setShaders(Shader* textured, Shader* untextured)
{
    if (m_meshes.empty())
        return;
    size_t texturedCount = 0;
    for (Mesh* mesh : m_meshes) {
        const bool hasTexture = mesh->m_diffuse_tex != 0;
        mesh->m_shader = hasTexture ? textured : untextured;
        texturedCount += hasTexture ? 1 : 0;
    }
    if (texturedCount > 0 && texturedCount < m_meshes.size()) {
        m_single_shader = false;
    } else {
        m_single_shader = true;
        m_shader = m_meshes.front()->m_shader;
    }
    std::stable_sort(m_meshes.begin(), m_meshes.end(), meshShaderLess);
}

void Model::setShaders(Shader* textured, Shader* untextured, Shader* texturedNormalMapped,
                       Shader* untexturedNormalMapped)
{
    if (m_meshes.empty())
        return;
    size_t counts[4] = {0, 0, 0, 0};
    for (Mesh* mesh : m_meshes) {
        const bool hasTexture = mesh->m_diffuse_tex != 0;
        const bool hasNormalMap = mesh->m_normal_tex != 0;
        int group;
        if (hasNormalMap)
            group = hasTexture ? 2 : 3;
        else
            group = hasTexture ? 0 : 1;
        Shader* programs[4] = {textured, untextured, texturedNormalMapped, untexturedNormalMapped};
        mesh->m_shader = programs[group];
        counts[group] += 1;
    }
    m_single_shader = true;
    for (size_t count : counts) {
        if (count > 0 && count < m_meshes.size())
            m_single_shader = false;
    }
    if (m_single_shader)
        m_shader = m_meshes.front()->m_shader;
    std::stable_sort(m_meshes.begin(), m_meshes.end(), meshShaderLess);
}

void Model::setColorMode(int mode)
{
    for (Mesh* mesh : m_meshes)
        mesh->m_color_mode = mode;
}

void Model::draw(const glm::mat4& projView, const glm::vec3* eye, Light* light)
{
    const bool drawMeshes = !m_pre_render || m_pre_render(m_pre_render_data, this, projView);
    if (drawMeshes && m_single_shader) {
        glUseProgram(m_shader->m_program);
        if (eye)
            m_shader->setUniform("eye", *eye);
        if (light && !m_meshes.empty() && m_meshes.back()->m_color_mode != COLOR_MODE_NONE &&
            m_meshes.back()->m_color_mode != COLOR_MODE_FLAT)
            light->upload(0, m_shader);
        for (Mesh* mesh : m_meshes)
            mesh->draw(projView, &m_model_matrix);
    } else if (drawMeshes) {
        for (Mesh* mesh : m_meshes) {
            glUseProgram(mesh->m_shader->m_program);
            if (eye)
                mesh->m_shader->setUniform("eye", *eye);
            if (light && mesh->m_color_mode != COLOR_MODE_NONE && mesh->m_color_mode != COLOR_MODE_FLAT)
                light->upload(0, mesh->m_shader);
            mesh->draw(projView, &m_model_matrix);
        }
    }
    if (m_post_render)
        m_post_render(m_post_render_data, this, projView);
}

void Model::computeAABB(glm::vec3& min, glm::vec3& max) const
{
    // A model without meshes (an empty file, or every mesh filtered away) has no extent.
    min = max = glm::vec3(0.0f);
    bool first = true;
    for (const Mesh* mesh : m_meshes) {
        glm::vec3 bounds[2];
        mesh->m_geometry->getBounds(bounds);
        if (first) {
            min = bounds[0];
            max = bounds[1];
            first = false;
        } else {
            min = glm::min(min, bounds[0]);
            max = glm::max(max, bounds[1]);
        }
    }
}

float Model::getBoundingRadius()
{
    glm::vec3 min, max;
    computeAABB(min, max);
    float largest = 0.0f;
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p((corner & 1) ? max.x : min.x, (corner & 2) ? max.y : min.y, (corner & 4) ? max.z : min.z);
        largest = std::max(largest, glm::dot(p, p));
    }
    m_sphere_center = glm::vec3(0.0f);
    m_bounding_radius = std::sqrt(largest) * m_scale;
    m_sphere_valid = true;
    return m_bounding_radius;
}

void Model::getScaledAABB(glm::vec3& center, glm::vec3& half)
{
    if (!m_aabb_valid) {
        glm::vec3 min, max;
        computeAABB(min, max);
        m_aabb_half = (max - min) * 0.5f * m_scale;
        m_aabb_center = min * m_scale + m_aabb_half;
        m_aabb_valid = true;
    }
    center = glm::vec3(m_model_matrix[3]);
    half = m_aabb_half;
}

void Model::fillCullingEntity(CullingEntity& entity)
{
    entity.id = reinterpret_cast<uintptr_t>(this);
    entity.isSphere = m_cull_by_box ? 0 : 1;
    if (m_cull_by_box) {
        getScaledAABB(entity.center, entity.extent);
        return;
    }
    if (!m_sphere_valid)
        getBoundingRadius();
    entity.center = glm::vec3(m_model_matrix[3]);
    entity.extent = glm::vec3(m_bounding_radius, 0.0f, 0.0f);
}

void Model::updateFromActor()
{
    if (!m_actor)
        return;
    btScalar matrix[16];
    m_actor->getWorldTransform().getOpenGLMatrix(matrix);
    m_model_matrix = glm::make_mat4(matrix);
}

void Model::mergeMeshes()
{
    for (size_t i = 0; i < m_meshes.size(); ++i) {
        size_t j = i + 1;
        while (j < m_meshes.size()) {
            if (m_meshes[i]->tryMerge(*m_meshes[j])) {
                delete m_meshes[j];
                m_meshes.erase(m_meshes.begin() + static_cast<long>(j));
            } else {
                ++j;
            }
        }
    }
}

void Model::printDebugInfo() const
{
    std::cout << "----- Model \"" << m_name << "\" debug info: # meshes = " << m_meshes.size() << std::endl;
    for (size_t i = 0; i < m_meshes.size(); ++i) {
        const Mesh* mesh = m_meshes[i];
        std::cout << "Mesh[" << i << "]\"" << mesh->m_name << "\" tex [" << mesh->m_diffuse_tex << ","
                  << mesh->m_normal_tex << "," << mesh->m_cube_tex << "] lighting " << mesh->m_color_mode << " mat ";
        mesh->m_material.print();
        std::cout << std::endl;
    }
}

void Model::importFile(const std::string& file)
{
    const std::string path = gAssetsDir + "/models/" + file;
    m_directory = path.substr(0, path.find_last_of('/') + 1);

    unsigned flags = 0;
    if (m_import_options.triangulate)
        flags |= aiProcess_Triangulate;
    if (m_import_options.calcTangentSpace)
        flags |= aiProcess_CalcTangentSpace;
    if (m_import_options.optimize)
        flags |= aiProcess_OptimizeMeshes | aiProcess_OptimizeGraph;

    Assimp::Importer importer;
    importer.SetIOHandler(new ResolvingIOSystem()); // the importer owns it
    const aiScene* scene = importer.ReadFile(path, flags);
    if (!scene || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || !scene->mRootNode)
        fatalError("Error loading model \"" + file + "\": " + importer.GetErrorString());
    processNode(scene->mRootNode, scene);
    m_imported_textures.clear();

    // Every model file is loaded to be drawn and placed: without a triangle it would fly
    // invisible with a box of no size, and bounds whose squares pass the float range
    // would give a bounding sphere of no number.
    const bool drawable = std::any_of(m_meshes.begin(), m_meshes.end(),
                                      [](const Mesh* mesh) { return mesh->m_geometry->m_triangle_count > 0; });
    if (!drawable)
        fatalError("Model \"" + file + "\" has no meshes with triangles");
    glm::vec3 min, max;
    computeAABB(min, max);
    const glm::vec3 reach = glm::max(glm::abs(min), glm::abs(max));
    if (!std::isfinite(glm::dot(reach, reach)))
        fatalError("Model \"" + file + "\" has vertices too far out: its bounds are not finite");
}

Texture* Model::importedTexture(bool normalMapFromBump, const std::string& path)
{
    Texture*& texture = m_imported_textures[(normalMapFromBump ? "bump:" : "diffuse:") + path];
    if (!texture) {
        texture = new Texture();
        if (normalMapFromBump)
            texture->createNormalMapFromBumpMap(true, path, m_import_options.bumpScale);
        else
            texture->load(true, path);
        m_textures.push_back(texture);
    }
    return texture;
}

void Model::processNode(const aiNode* node, const aiScene* scene)
{
    const std::string name(node->mName.C_Str(), std::min<size_t>(node->mName.length, 1023));
    for (unsigned i = 0; i < node->mNumMeshes; ++i)
        processMesh(scene->mMeshes[node->mMeshes[i]], scene, name);
    for (unsigned i = 0; i < node->mNumChildren; ++i)
        processNode(node->mChildren[i], scene);
}

void Model::processMesh(const aiMesh* mesh, const aiScene* scene, const std::string& name)
{
    Geometry* geometry = new Geometry();
    geometry->fromAssimpMesh(mesh, m_apply_import_transform ? &m_import_transform : nullptr);

    const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
    Material result(glm::vec3(0.1f), glm::vec3(0.7f), glm::vec3(0.1f), 2.0f);

    GLuint diffuseTex = 0, normalTex = 0;
    aiString texturePath;
    if (aiGetMaterialTexture(material, aiTextureType_DIFFUSE, 0, &texturePath) == AI_SUCCESS)
        diffuseTex = importedTexture(false, m_directory + texturePath.C_Str())->m_texture;
    if (m_import_options.normalMapFromBump &&
        aiGetMaterialTexture(material, aiTextureType_HEIGHT, 0, &texturePath) == AI_SUCCESS)
        normalTex = importedTexture(true, m_directory + texturePath.C_Str())->m_texture;

    aiColor4D colour(0.0f, 0.0f, 0.0f, 0.0f);
    if (aiGetMaterialColor(material, "$clr.ambient", 0, 0, &colour) == AI_SUCCESS)
        result.ambient = glm::vec3(colour.r, colour.g, colour.b);
    colour = aiColor4D(0.0f, 0.0f, 0.0f, 0.0f);
    if (aiGetMaterialColor(material, "$clr.diffuse", 0, 0, &colour) == AI_SUCCESS)
        result.diffuse = glm::vec3(colour.r, colour.g, colour.b);
    colour = aiColor4D(0.0f, 0.0f, 0.0f, 0.0f);
    if (aiGetMaterialColor(material, "$clr.specular", 0, 0, &colour) == AI_SUCCESS)
        result.specular = glm::vec3(colour.r, colour.g, colour.b);

    ai_real value = 0.0f;
    unsigned int count = 1;
    if (aiGetMaterialFloatArray(material, "$mat.shininess", 0, 0, &value, &count) == AI_SUCCESS)
        result.shininess = value;
    count = 1;
    if (aiGetMaterialFloatArray(material, "$mat.blend.specular.intensity", 0, 0, &value, &count) == AI_SUCCESS)
        result.shininess = value * result.shininess;

    if (normalTex != 0 && m_import_options.createTangents) {
        if (geometry->m_tangents)
            std::cout << "WARN: Mesh already has tangents, skipping internal calculation" << std::endl;
        else
            geometry->createTangents();
    }

    Mesh* drawable = new Mesh(geometry, m_apply_import_transform ? glm::mat4(1.0f) : m_import_transform, result,
                                 diffuseTex, normalTex, 0, m_shader);
    drawable->m_name = name;
    m_meshes.push_back(drawable);
}
