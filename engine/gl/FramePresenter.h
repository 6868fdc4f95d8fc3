// Hands finished frames to the window system, at once or one step late.
//
// Mesa's software rasteriser (llvmpipe) draws nothing until a flush, and a swap waits
// until everything queued is drawn. Swapped at once, a frame's last passes (the
// multisample resolve, the HUD) are drawn while the main thread waits, and the next
// scene is then built while the raster threads wait. When the scene goes to an
// off-screen framebuffer first, the frame can instead be flushed and left in the back
// buffer: its last passes are drawn while the main thread already builds the next
// scene, and it is presented just before the window is drawn into again. Every frame
// keeps its picture; it reaches the screen later by the time the next scene takes.
#pragma once

struct GLFWwindow;

class FramePresenter {
public:
    // The back buffer of that window holds a finished frame: present it now, or, when
    // late, flush it and leave it for presentWaiting.
    static void frameDone(GLFWwindow* window, bool late);
    // Presents the frame left waiting, if any. Whatever draws into the window calls
    // this first.
    static void presentWaiting();

private:
    static GLFWwindow* s_waiting;
};
