#include "gl/Shader.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <iostream>

std::vector<Shader*> gShaders;

namespace {

const std::string kIncludeKeyword = "#include";

// Include lines nest; a file that includes itself, directly or through others, would
// otherwise expand without end.
constexpr int kMaxIncludeDepth = 32;

// The info log of a shader or program object, safe for an empty or unterminated log.
std::string infoLog(GLuint object, bool isProgram)
{
    GLint length = 0;
    if (isProgram)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GLsizei written = 0;
    if (isProgram)
        glGetProgramInfoLog(object, length, &written, buffer.data());
    else
        glGetShaderInfoLog(object, length, &written, buffer.data());
    written = std::clamp<GLsizei>(written, 0, length);
    return std::string(buffer.data(), static_cast<size_t>(written));
}

std::string expand(const std::string& source, const std::string& file, int depth)
{
    std::string text = source;
    size_t from = 0;
    size_t p;
    while ((p = text.find(kIncludeKeyword, from)) != std::string::npos) {
        // Exactly one separator character, then the opening quote.
        if (p + 9 >= text.size() || text[p + 9] != '"')
            fatalError("ERROR: invalid #include syntax in shader (leading quotes missing) \"" + file + "\"");
        const size_t q = text.find('"', p + 10);
        if (q == std::string::npos)
            fatalError("ERROR: invalid #include syntax in shader (ending quotes missing) \"" + file + "\"");
        const std::string name = text.substr(p + 10, q - (p + 10));
        if (depth >= kMaxIncludeDepth)
            fatalError("#include nested too deeply (cyclic include?) in shader \"" + file + "\": \"" + name +
                       "\"");
        // The included text is expanded in full before it goes in, so nothing before
        // p + its length needs to be searched again. The rest of the line stays.
        const std::string included = expand(Shader::loadFile(name), file, depth + 1);
        text.replace(p, q - p + 1, included);
        from = p + included.size();
    }
    return text;
}

} // namespace

Shader::Shader(const std::string& name, const std::vector<std::string>& stageFiles, bool useMvp)
    : Shader(name, stageFiles, std::vector<std::string>(), useMvp)
{
}

Shader::Shader(const std::string& name, const std::vector<std::string>& stageFiles,
               const std::vector<std::string>& varyings, bool useMvp)
{
    m_name = name;
    m_use_mvp = useMvp;
    m_program = linkProgram(stageFiles, varyings);
    gShaders.push_back(this);
}

Shader* Shader::get(const std::string& name)
{
    for (Shader* shader : gShaders) {
        if (shader->m_name == name)
            return shader;
    }
    fatalError("Shader " + name + " is not loaded");
}

void Shader::deleteAll()
{
    while (!gShaders.empty()) {
        Shader* shader = gShaders.back();
        glDeleteProgram(shader->m_program);
        gShaders.erase(std::find(gShaders.begin(), gShaders.end(), shader));
        delete shader;
    }
}

std::string Shader::loadFile(const std::string& file)
{
    bool ok = false;
    std::string text = readTextFile(gAssetsDir + "/shaders/" + file, &ok);
    if (!ok)
        fatalError("ERROR loading shader file \"" + file + "\"");
    return text;
}

GLenum Shader::stageTypeOf(const std::string& file)
{
    static const struct {
        const char* marker;
        GLenum type;
    } kStages[] = {
        {".vs", GL_VERTEX_SHADER},         {".fs", GL_FRAGMENT_SHADER}, {".tcs", GL_TESS_CONTROL_SHADER},
        {".tes", GL_TESS_EVALUATION_SHADER}, {".gs", GL_GEOMETRY_SHADER}, {".cs", GL_COMPUTE_SHADER},
    };
    for (const auto& stage : kStages) {
        if (file.find(stage.marker) != std::string::npos)
            return stage.type;
    }
    return 0;
}

std::string Shader::expandIncludes(const std::string& source, const std::string& file)
{
    return expand(source, file, 0);
}

GLuint Shader::compileStage(const std::string& file, GLenum stageType)
{
    const std::string source = expandIncludes(loadFile(file), file);
    const GLuint stage = glCreateShader(stageType);
    const char* text = source.c_str();
    glShaderSource(stage, 1, &text, nullptr);
    glCompileShader(stage);
    GLint status = GL_FALSE;
    glGetShaderiv(stage, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE)
        fatalError("ERROR compiling shader \"" + file + "\": " + infoLog(stage, false));
    return stage;
}

GLuint Shader::linkProgram(const std::vector<std::string>& stageFiles, const std::vector<std::string>& varyings)
{
    const GLuint program = glCreateProgram();
    std::vector<GLuint> stages;
    for (const std::string& file : stageFiles) {
        const GLenum type = stageTypeOf(file);
        if (type == 0)
            fatalError("Unknown shader type: " + file);
        const GLuint stage = compileStage(file, type);
        glAttachShader(program, stage);
        stages.push_back(stage);
    }
    if (!varyings.empty()) {
        std::vector<const char*> names;
        for (const std::string& varying : varyings)
            names.push_back(varying.c_str());
        glTransformFeedbackVaryings(program, static_cast<GLsizei>(names.size()), names.data(),
                                    GL_INTERLEAVED_ATTRIBS);
    }
    glLinkProgram(program);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE)
        fatalError("ERROR linking shader program: " + infoLog(program, true));
    // Still attached, so GL frees them together with the program.
    for (GLuint stage : stages)
        glDeleteShader(stage);
    return program;
}

GLint Shader::getUniformLocation(const std::string& name)
{
    const auto found = m_uniform_locations.find(name);
    if (found != m_uniform_locations.end())
        return found->second;
    const GLint location = glGetUniformLocation(m_program, name.c_str());
    m_uniform_locations[name] = location;
    if (location == -1)
        std::cout << "WARNING: uniform \"" << name << "\" not found in program " << m_name << std::endl;
    return location;
}

void Shader::setUniform(const std::string& name, int value)
{
    glUniform1i(getUniformLocation(name), value);
}

void Shader::setUniform(const std::string& name, float value)
{
    glUniform1f(getUniformLocation(name), value);
}

void Shader::setUniform(const std::string& name, const glm::vec2& value)
{
    glUniform2fv(getUniformLocation(name), 1, glm::value_ptr(value));
}

void Shader::setUniform(const std::string& name, const glm::vec3& value)
{
    glUniform3fv(getUniformLocation(name), 1, glm::value_ptr(value));
}

void Shader::setUniform(const std::string& name, const glm::vec4& value)
{
    glUniform4fv(getUniformLocation(name), 1, glm::value_ptr(value));
}

void Shader::setUniform(const std::string& name, const glm::mat4& value)
{
    glUniformMatrix4fv(getUniformLocation(name), 1, GL_FALSE, glm::value_ptr(value));
}
