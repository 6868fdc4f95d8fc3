#include "ModelPictures.h"

#include <IL/il.h>

#include <cmath>
#include <filesystem>

PictureStats pictureStats(const std::vector<uint8_t>& rgba, int width, int height)
{
    PictureStats stats;
    double sum = 0.0, sumSq = 0.0;
    size_t covered = 0;
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        const uint8_t* p = &rgba[i * 4];
        if (p[3] == 0)
            continue;
        const double luma = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
        sum += luma;
        sumSq += luma * luma;
        covered += 1;
    }
    stats.coverage = static_cast<double>(covered) / (static_cast<double>(width) * height);
    if (covered > 0) {
        stats.meanLuma = sum / covered;
        stats.lumaSpread = std::sqrt(std::max(0.0, sumSq / covered - stats.meanLuma * stats.meanLuma));
    }
    return stats;
}

bool savePicturesPng(const std::string& path, const std::vector<std::vector<uint8_t>>& views, int width, int height)
{
    const int total = width * static_cast<int>(views.size());
    std::vector<uint8_t> rgb(static_cast<size_t>(total) * height * 3);
    for (size_t v = 0; v < views.size(); ++v) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = &views[v][(static_cast<size_t>(y) * width + x) * 4];
                // backdrop: a soft vertical gradient, darker at the bottom
                const double back = 70.0 + 60.0 * y / height;
                const double a = p[3] / 255.0;
                uint8_t* out = &rgb[(static_cast<size_t>(y) * total + v * width + x) * 3];
                out[0] = static_cast<uint8_t>(p[0] * a + back * 0.85 * (1.0 - a));
                out[1] = static_cast<uint8_t>(p[1] * a + back * 0.9 * (1.0 - a));
                out[2] = static_cast<uint8_t>(p[2] * a + back * (1.0 - a));
            }
        }
    }
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    // DevIL's default origin is the lower left, matching GL's row order.
    const bool made = ilTexImage(total, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, rgb.data()) == IL_TRUE;
    ilEnable(IL_FILE_OVERWRITE);
    const bool saved = made && ilSave(IL_PNG, path.c_str()) == IL_TRUE;
    ilDeleteImages(1, &image);
    return saved;
}

std::string modelPictureDir()
{
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "model-pictures";
    std::filesystem::create_directories(dir, ec);
    return dir.string();
}
