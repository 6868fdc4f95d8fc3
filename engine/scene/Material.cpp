#include "scene/Material.h"

#include <cstdio>
#include <iostream>

void Material::print() const
{
    char text[512];
    std::snprintf(text, sizeof text, "[a(%.2f,%.2f,%.2f) d(%.2f,%.2f,%.2f), s(%.2f,%.2f,%.2f), sh=%.2f]", ambient.r,
                  ambient.g, ambient.b, diffuse.r, diffuse.g, diffuse.b, specular.r, specular.g, specular.b,
                  shininess);
    std::cout << text;
}
