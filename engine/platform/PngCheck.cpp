#include "platform/PngCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFFu;

uint32_t bigEndian(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

bool isChunkType(const unsigned char* p)
{
    for (int i = 0; i < 4; ++i)
        if (!((p[i] >= 'A' && p[i] <= 'Z') || (p[i] >= 'a' && p[i] <= 'z')))
            return false;
    return true;
}

// Bit depths a colour type allows.
bool validDepth(unsigned colourType, unsigned depth)
{
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

std::string headerProblem(const unsigned char* h)
{
    const uint32_t width = bigEndian(h), height = bigEndian(h + 4);
    if (width == 0 || height == 0 || width > kMaxChunkLength || height > kMaxChunkLength)
        return "image size out of range";
    if (!validDepth(h[9], h[8]))
        return "invalid colour type or bit depth";
    if (h[10] != 0 || h[11] != 0 || h[12] > 1)
        return "unknown compression, filter or interlace method";
    return "";
}

// Bytes after IEND are ignored by decoders, unless they read as one more chunk header,
// which must then fit the file like any other.
std::string trailingChunkProblem(std::istream& in, std::streamoff at, std::streamoff size)
{
    unsigned char head[8];
    if (size - at < 8 || !in.seekg(at, std::ios::beg) || !in.read(reinterpret_cast<char*>(head), 8))
        return "";
    if (!isChunkType(head + 4))
        return "";
    const uint32_t length = bigEndian(head);
    if (length > kMaxChunkLength || static_cast<std::streamoff>(length) > size - at - 12)
        return "a chunk after IEND claims more data than the file holds";
    return "";
}

bool namedPng(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string extension = path.substr(path.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".png";
}

} // namespace

std::string pngStructureProblem(std::istream& in)
{
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (!in || size < 0)
        return "unreadable";

    unsigned char signature[8];
    if (!in.read(reinterpret_cast<char*>(signature), 8) || std::memcmp(signature, kSignature, 8) != 0)
        return "no PNG signature";

    std::streamoff at = 8;
    bool first = true, imageData = false;
    for (;;) {
        unsigned char head[8];
        if (size - at < 12 || !in.read(reinterpret_cast<char*>(head), 8))
            return "no IEND chunk";
        const uint32_t length = bigEndian(head);
        const unsigned char* type = head + 4;
        // Length, type, data and checksum must all lie within the file.
        if (length > kMaxChunkLength || static_cast<std::streamoff>(length) > size - at - 12)
            return "a chunk claims more data than the file holds";
        if (!isChunkType(type))
            return "a chunk has an invalid type";
        const bool header = std::memcmp(type, "IHDR", 4) == 0;
        if (first != header)
            return "IHDR is not the first chunk";
        if (header) {
            unsigned char fields[13];
            if (length != 13 || !in.read(reinterpret_cast<char*>(fields), 13))
                return "IHDR has the wrong length";
            const std::string problem = headerProblem(fields);
            if (!problem.empty())
                return problem;
        }
        if (std::memcmp(type, "IDAT", 4) == 0)
            imageData = true;
        at += 12 + static_cast<std::streamoff>(length);
        if (std::memcmp(type, "IEND", 4) == 0)
            return !imageData ? "no IDAT chunk" : trailingChunkProblem(in, at, size);
        first = false;
        in.seekg(at, std::ios::beg);
    }
}

std::string pngFileProblem(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ""; // missing: the image library says so itself
    char magic[4] = {0, 0, 0, 0};
    in.read(magic, 4);
    const bool marked = std::memcmp(magic, kSignature, 4) == 0;
    if (!namedPng(path) && !marked)
        return "";
    in.clear();
    return pngStructureProblem(in);
}
