// The GL state snapshot taken before off-screen drawing: framebuffer bindings,
// viewport and clear colour, restored by the caller afterwards.
#pragma once

struct GlStateSnapshot {
    int drawFramebuffer = 0;
    int readFramebuffer = 0;
    int viewport[4] = {0, 0, 0, 0};
    float clearColor[4] = {0, 0, 0, 0};
};

// Records the framebuffer bindings, viewport and clear colour, then binds
// `framebuffer` to GL_FRAMEBUFFER. The caller restores from the snapshot.
GlStateSnapshot* saveGlState(unsigned int framebuffer, GlStateSnapshot* snapshot);
