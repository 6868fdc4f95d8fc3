// Opening INI files (settings and levels) with inih's INIReader, and the getters the
// game needs on top of it.
#pragma once

#include <INIReader.h>

#include <memory>
#include <string>

// Opens and parses `path`. An unreadable file prints the "Failed to load" error and
// leaves a reader whose getters return their defaults; a syntax error prints one
// warning with the number of the first bad line and keeps what could be read.
std::unique_ptr<INIReader> openIniReader(const std::string& path);

// inih returns long; values are saturated to the 32-bit range when stored in an int.
int iniGetInt(const INIReader& reader, const std::string& section, const std::string& name, int defaultValue);

// A real stored as a float (inih parses it as a double).
float iniGetFloat(const INIReader& reader, const std::string& section, const std::string& name, float defaultValue);
