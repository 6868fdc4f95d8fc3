#include "scene/Light.h"

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>

void Light::upload(int index, Shader* shader)
{
    uploadAt(20 + 5 * index, shader);
}

int DirectionalLight::uploadAt(int location, Shader* /*shader*/)
{
    glUniform1i(location, enabled ? 1 : 0);
    glUniform3fv(location + 1, 1, glm::value_ptr(ambient));
    glUniform3fv(location + 2, 1, glm::value_ptr(diffuse));
    glUniform3fv(location + 3, 1, glm::value_ptr(specular));
    glUniform3fv(location + 4, 1, glm::value_ptr(direction));
    return location + 5;
}
