#include "platform/AssetFiles.h"

#include "platform/Fatal.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

std::string gAssetsDir = "assets";

void locateAssetsDir()
{
    for (const char* candidate : {"assets", "../assets", "../../assets"}) {
        gAssetsDir = candidate;
        struct stat info;
        if (stat(gAssetsDir.c_str(), &info) == 0)
            return;
    }
    fatalError("Cannot locate assets directory!");
}

namespace {

bool equalNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string resolvePath(const std::string& path)
{
    std::error_code ec;
    if (fs::exists(path, ec))
        return path;
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (fs::exists(slashed, ec))
        return slashed;

    // Walk the components, matching each one without regard to case.
    fs::path wanted(slashed);
    fs::path found;
    for (const fs::path& part : wanted) {
        const std::string name = part.string();
        if (found.empty() && (name == "/" || name.empty())) {
            found = part;
            continue;
        }
        fs::path exact = found.empty() ? part : found / part;
        if (name == "." || name == ".." || fs::exists(exact, ec)) {
            found = exact;
            continue;
        }
        const fs::path dir = found.empty() ? fs::path(".") : found;
        bool matched = false;
        for (const auto& entry : fs::directory_iterator(dir, ec)) {
            const std::string candidate = entry.path().filename().string();
            if (equalNoCase(candidate, name)) {
                found = found.empty() ? fs::path(candidate) : found / candidate;
                matched = true;
                break;
            }
        }
        if (!matched)
            return path;
    }
    return found.string();
}

std::string readTextFile(const std::string& path, bool* ok, size_t maxBytes)
{
    std::ifstream file;
    file.exceptions(std::ifstream::failbit | std::ifstream::badbit);
    try {
        file.open(resolvePath(path));
        // Once open, a text shorter than asked for is no failure.
        file.exceptions(std::ifstream::badbit);
        std::string text;
        char chunk[65536];
        while (text.size() < maxBytes && file) {
            file.read(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, maxBytes - text.size())));
            text.append(chunk, static_cast<size_t>(file.gcount()));
        }
        file.close();
        // CR LF and a CR alone end a line as LF does.
        size_t kept = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                text[kept++] = '\n';
                if (i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
            } else {
                text[kept++] = text[i];
            }
        }
        text.resize(kept);
        if (ok)
            *ok = true;
        return text;
    } catch (const std::exception&) {
        if (ok)
            *ok = false;
        return std::string();
    }
}
