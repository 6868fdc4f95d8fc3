// Builds the text and screen-quad programs for a test unless they are registered.
#pragma once

#include "Shader.h"

#include <string>
#include <vector>

inline void ensureProgram(const std::string& name, const std::vector<std::string>& stages)
{
    for (Shader* shader : gShaders)
        if (shader->m_name == name)
            return;
    new Shader(name, stages, false);
}

inline void ensureScreenPrograms()
{
    ensureProgram("text", {"text.vs.glsl", "text.fs.glsl"});
    ensureProgram("quad2d", {"quad2d.vs.glsl", "quad2d.fs.glsl"});
    ensureProgram("quad2d_notex", {"quad2d_notex.vs.glsl", "quad2d_notex.fs.glsl"});
    ensureProgram("quad2d_notex_depth", {"quad2d_notex_depth.vs.glsl", "quad2d_notex.fs.glsl"});
    ensureProgram("quad2d_multiply", {"quad2d.vs.glsl", "quad2d_multiply.fs.glsl"});
    ensureProgram("quad2d_mul_gray", {"quad2d.vs.glsl", "quad2d_multiply_grayscale.fs.glsl"});
    ensureProgram("quad2d_flare", {"quad2d.vs.glsl", "quad2d_flare.fs.glsl"});
}
