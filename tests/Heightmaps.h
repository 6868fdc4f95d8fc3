// Writes heightmaps for the terrain tests.
#pragma once

#include <IL/il.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A 16-bit greyscale PNG; value(x, y) with y = 0 the picture's top row.
inline void writeHeightmap(const std::string& path, int width, int height,
                           const std::function<uint16_t(int, int)>& value)
{
    std::vector<uint16_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(height - 1 - y) * width + x] = value(x, y); // DevIL: bottom row first
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(width, height, 1, 1, IL_LUMINANCE, IL_UNSIGNED_SHORT, pixels.data());
    ilEnable(IL_FILE_OVERWRITE);
    ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &image);
}
