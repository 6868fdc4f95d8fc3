#include "scene/MaterialLibraryCheck.h"

#include <cctype>

namespace {

bool startsWith(const std::string& text, size_t at, const char* prefix)
{
    for (size_t i = 0; prefix[i] != '\0'; ++i) {
        if (at + i >= text.size() || std::tolower(static_cast<unsigned char>(text[at + i])) != prefix[i])
            return false;
    }
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

bool materialLibraryNamesTextureFirst(const std::string& text)
{
    size_t line = 0;
    while (line < text.size()) {
        size_t end = text.find('\n', line);
        if (end == std::string::npos)
            end = text.size();
        // Only "newmtl" written exactly so at the start of a line opens a material for
        // the importer; texture statements are looked for more widely (any letter case,
        // indented, any word that begins like one).
        if (text.compare(line, 6, "newmtl") == 0 && (line + 6 == end || isBlank(text[line + 6])))
            return false;
        size_t word = line;
        while (word < end && isBlank(text[word]))
            ++word;
        for (const char* statement : {"map_", "bump", "norm", "disp"}) {
            if (startsWith(text, word, statement))
                return true;
        }
        line = end + 1;
    }
    return false;
}
