#include "platform/IniFile.h"

#include "platform/AssetFiles.h"

#include <climits>
#include <iostream>

std::unique_ptr<INIReader> openIniReader(const std::string& path)
{
    auto reader = std::make_unique<INIReader>(resolvePath(path));
    const int error = reader->ParseError();
    if (error < 0)
        std::cout << "ERROR: Failed to load '" << path << "'. Using default values instead." << std::endl;
    else if (error > 0)
        std::cout << "WARNING: '" << path << "' has a syntax error in line " << error
                  << "; keys that could be read are used." << std::endl;
    return reader;
}

int iniGetInt(const INIReader& reader, const std::string& section, const std::string& name, int defaultValue)
{
    const long value = reader.GetInteger(section, name, defaultValue);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

float iniGetFloat(const INIReader& reader, const std::string& section, const std::string& name, float defaultValue)
{
    return static_cast<float>(reader.GetReal(section, name, defaultValue));
}
