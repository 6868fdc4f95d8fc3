// Scene lights. A light writes itself into the program in use at explicit uniform
// locations: light i starts at location 20 + 5 i.
#pragma once

#include <glm/glm.hpp>

class Shader;

class Light {
public:
    virtual ~Light() = default;
    // Uploads this light as light number `index` (first location 20 + 5 * index).
    virtual void upload(int index, Shader* shader);
    // Uploads at `location` and returns the first location of the next light.
    virtual int uploadAt(int location, Shader* shader) = 0;
};

// The sun: an enabled flag, then the ambient light colour, the diffuse and specular
// colours and the direction in which the light travels.
class DirectionalLight : public Light {
public:
    bool enabled = true;
    glm::vec3 ambient = glm::vec3(1.0f);
    glm::vec3 diffuse = glm::vec3(1.0f);
    glm::vec3 specular = glm::vec3(1.0f);
    glm::vec3 direction = glm::vec3(0.0f, -1.0f, 0.0f); // the way the light travels

    DirectionalLight() = default;
    DirectionalLight(bool on, const glm::vec3& amb, const glm::vec3& diff, const glm::vec3& specular,
                     const glm::vec3& dir)
        : enabled(on), ambient(amb), diffuse(diff), specular(specular), direction(dir)
    {
    }

    int uploadAt(int location, Shader* shader) override;
};
