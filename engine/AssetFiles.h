// The asset directory, whole-file text reading, a resolver for file names written
// with Windows habits, and the GL state snapshot taken before off-screen drawing.
#pragma once

#include <string>

// Asset root relative to the working directory: "assets", "../assets" or "../../assets".
extern std::string gAssetsDir;

// Finds the asset directory or ends the program ("Cannot locate assets directory!").
void locateAssetsDir();

// Returns an existing file's path for a path that may use '\\' separators or differ
// from the file on disk in letter case; returns the path unchanged when nothing matches.
std::string resolvePath(const std::string& path);

// The whole text of a file, with "\r" removed so that files saved with Windows line
// ends read the same. On failure returns "" and stores false in *ok (when given).
std::string readTextFile(const std::string& path, bool* ok = nullptr);

struct GlStateSnapshot {
    int drawFramebuffer = 0;
    int readFramebuffer = 0;
    int viewport[4] = {0, 0, 0, 0};
    float clearColor[4] = {0, 0, 0, 0};
};

// Records the framebuffer bindings, viewport and clear colour, then binds
// `framebuffer` to GL_FRAMEBUFFER. The caller restores from the snapshot.
GlStateSnapshot* saveGlState(unsigned int framebuffer, GlStateSnapshot* snapshot);
