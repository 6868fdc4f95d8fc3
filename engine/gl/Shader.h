// A linked GLSL program with its name and a cache of uniform locations. Every program
// is registered in gShaders at construction and lives until Shader::deleteAll.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <map>
#include <string>
#include <vector>

class Shader {
public:
    // Builds the program from stage files under "<assets>/shaders/" and registers it.
    // useMvp: the program takes one combined "matMVP" instead of "matModel" and
    // "matProjView" (read by mesh drawing).
    Shader(const std::string& name, const std::vector<std::string>& stageFiles, bool useMvp);
    // The same, with transform-feedback outputs captured interleaved in this order.
    Shader(const std::string& name, const std::vector<std::string>& stageFiles,
           const std::vector<std::string>& varyings, bool useMvp);
    ~Shader() = default;
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // The first registered program of that exact name; a missing name is fatal.
    static Shader* get(const std::string& name);
    // Deletes every registered program; the registry is empty afterwards.
    static void deleteAll();
    // The whole text of "<assets>/shaders/" + file; an unreadable file is fatal.
    static std::string loadFile(const std::string& file);
    // Stage type from the file name: the first of ".vs", ".fs", ".tcs", ".tes", ".gs",
    // ".cs" found anywhere in it. Returns 0 when none occurs.
    static GLenum stageTypeOf(const std::string& file);
    // Replaces every include line of `source` with the named file's text (nested
    // includes too). `file` is the stage file being compiled, named in the errors.
    static std::string expandIncludes(const std::string& source, const std::string& file);

    GLuint compileStage(const std::string& file, GLenum stageType);
    GLuint linkProgram(const std::vector<std::string>& stageFiles, const std::vector<std::string>& varyings);

    // Cached location; a name the program lacks gives -1 and one warning per program.
    GLint getUniformLocation(const std::string& name);

    // The caller has made the program current.
    void setUniform(const std::string& name, int value);
    void setUniform(const std::string& name, float value);
    void setUniform(const std::string& name, const glm::vec2& value);
    void setUniform(const std::string& name, const glm::vec3& value);
    void setUniform(const std::string& name, const glm::vec4& value);
    void setUniform(const std::string& name, const glm::mat4& value);

    bool m_use_mvp = false;
    bool m_optional_diffuse = false;
    std::string m_name;
    GLuint m_program = 0;
    std::map<std::string, GLint> m_uniform_locations;
};

// All programs in the order they were built.
extern std::vector<Shader*> gShaders;
