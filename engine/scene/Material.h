// Colours and shininess of a mesh, as the lit programs read them ("material.*").
#pragma once

#include <glm/glm.hpp>

struct Material {
    glm::vec3 ambient = glm::vec3(0.0f);
    glm::vec3 diffuse = glm::vec3(0.0f); // also the flat colour of colour mode 3
    glm::vec3 specular = glm::vec3(0.0f);
    float shininess = 0.0f;

    Material() = default;
    Material(const glm::vec3& a, const glm::vec3& d, const glm::vec3& s, float sh)
        : ambient(a), diffuse(d), specular(s), shininess(sh)
    {
    }

    // Writes "[a(r,g,b) d(r,g,b), s(r,g,b), sh=x]" without a line end.
    void print() const;
};
