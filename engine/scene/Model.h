// What the game places in the world: meshes drawn with one model matrix, an optional
// physics actor that moves them, a type tag, cached bounds for culling and two optional
// callbacks around the drawing. Models come from one mesh, from a model file (imported
// with Assimp), or as deep copies or mesh-sharing clones of another model.
#pragma once

#include "scene/Mesh.h"

#include <glm/glm.hpp>

#include <map>
#include <string>
#include <vector>

class Shader;
class Texture;
class Light;
struct CullingEntity;
class btCollisionObject;
struct aiNode;
struct aiMesh;
struct aiScene;

enum ModelType : int {
    MODEL_UNKNOWN = 0,
    MODEL_PLAYER = 1,
    MODEL_CRAWLER = 2,
    MODEL_BOMB = 3,
    MODEL_CRYSTAL = 4,
    MODEL_LIQUID = 5,
};

// "Unknown", "Player", ... "Liquid"; other values as "(modeltype N)".
std::string modelTypeName(int type);

struct ModelImportOptions {
    bool normalMapFromBump = false; // the material's bump map becomes the mesh's normal map
    float bumpScale = 1.0f;         // strength given to the normal-map construction
    bool triangulate = true;
    bool calcTangentSpace = false;
    bool optimize = false;
    bool createTangents = false; // normal-mapped meshes get tangents when the file gave none
};

// The options used when a caller passes none.
extern const ModelImportOptions gDefaultImportOptions;

class Model;
using ModelPreRender = bool (*)(void* userData, Model* model, const glm::mat4& projView);
using ModelPostRender = void (*)(void* userData, Model* model, const glm::mat4& projView);

class Model {
public:
    bool m_cull_by_box = false; // culling entity is a box (true) or a sphere (false)
    bool m_visible = true;
    bool m_single_shader = true; // every mesh uses m_shader; draw selects it once
    btCollisionObject* m_actor = nullptr; // moves the model (updateFromActor); not owned
    std::string m_name;
    int m_type = MODEL_UNKNOWN;
    float m_far_distance = 0.0f; // far plane of the model's own projection, when it has one
    CullingEntity* m_culling_entity = nullptr; // owned by the code that added it to the tree
    std::vector<Mesh*> m_meshes;
    std::vector<Texture*> m_textures; // shared with deep copies by use count
    Shader* m_shader = nullptr;
    glm::mat4 m_model_matrix = glm::mat4(1.0f);
    float m_scale = 1.0f; // uniform scale used by the bounds (the matrix carries it for drawing)
    Model* m_clone_source = nullptr;
    int m_clone_count = 0;
    bool m_sphere_valid = false;
    glm::vec3 m_sphere_center = glm::vec3(0.0f);
    float m_bounding_radius = 0.0f;
    bool m_aabb_valid = false;
    glm::vec3 m_aabb_center = glm::vec3(0.0f);
    glm::vec3 m_aabb_half = glm::vec3(0.0f);
    ModelPreRender m_pre_render = nullptr;   // false skips the meshes
    ModelPostRender m_post_render = nullptr; // always called after drawing
    void* m_pre_render_data = nullptr;
    void* m_post_render_data = nullptr;
    std::string m_directory; // folder of the model file, for its texture paths
    glm::mat4 m_import_transform = glm::mat4(1.0f);
    bool m_apply_import_transform = false;
    ModelImportOptions m_import_options;
    // Level cleanup deletes the models of gDrawList whose flag is still set; entity
    // classes that delete their own models clear it.
    bool m_draw_list_owned = true;

    // A model of one mesh, which it owns from now on.
    explicit Model(Mesh* mesh);
    // Imports "<assets>/models/" + file. With applyImportTransform the transform is baked
    // into the vertices, else it becomes every mesh's transform. options may be null.
    Model(const std::string& file, const glm::mat4& importTransform, Shader* shader, bool applyImportTransform,
          const ModelImportOptions* options);
    // deepCopy: own meshes and geometry, textures shared by use count. Otherwise a clone
    // sharing the source's meshes; the source must outlive its clones.
    Model(const Model& source, bool deepCopy);
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Picks each mesh's program by whether it has a diffuse texture (and, in the second
    // form, a normal map), then sorts the meshes by program.
    void setShaders(Shader* textured, Shader* untextured);
    void setShaders(Shader* textured, Shader* untextured, Shader* texturedNormalMapped,
                    Shader* untexturedNormalMapped);
    void setColorMode(int mode);
    // eye and light may be null.
    void draw(const glm::mat4& projView, const glm::vec3* eye, Light* light);

    // Union of the mesh geometries' bounds in model space; the zero box without meshes.
    void computeAABB(glm::vec3& min, glm::vec3& max) const;
    float getBoundingRadius();
    // Centre = the model matrix's translation, half = the cached scaled half extents.
    void getScaledAABB(glm::vec3& center, glm::vec3& half);
    void fillCullingEntity(CullingEntity& entity);
    void updateFromActor();

    static bool meshShaderLess(const Mesh* a, const Mesh* b);
    void mergeMeshes();
    void printDebugInfo() const;

    void importFile(const std::string& file);
    void processNode(const aiNode* node, const aiScene* scene);
    void processMesh(const aiMesh* mesh, const aiScene* scene, const std::string& name);
    // The texture a material names, loaded once per model file: meshes of one material
    // then share their textures and can merge into one draw.
    Texture* importedTexture(bool normalMapFromBump, const std::string& path);
    std::map<std::string, Texture*> m_imported_textures; // by kind and path, while importing
};

// Every live model, in construction order.
extern std::vector<Model*> gModels;
// The models the game culls and draws.
extern std::vector<Model*> gDrawList;

// Removes the first draw-list entry equal to object; false when there is none.
bool removeFromDrawList(void* object);
