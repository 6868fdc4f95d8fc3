// The asset directory, whole-file text reading, and a resolver for file names written
// with Windows habits.
#pragma once

#include <string>

// Asset root relative to the working directory: "assets", "../assets" or "../../assets".
extern std::string gAssetsDir;

// Finds the asset directory or ends the program ("Cannot locate assets directory!").
void locateAssetsDir();

// Returns an existing file's path for a path that may use '\\' separators or differ
// from the file on disk in letter case; returns the path unchanged when nothing matches.
std::string resolvePath(const std::string& path);

// The text of a file, at most its first maxBytes bytes, with every line end as "\n", so
// that files saved with CR LF or CR alone read the same. On failure returns "" and
// stores false in *ok (when given).
std::string readTextFile(const std::string& path, bool* ok = nullptr, size_t maxBytes = std::string::npos);
