#include "level/Game.h"

#include "app/Globals.h"
#include "platform/ResizeListeners.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <iostream>

Game gGame;

namespace {

void onGameResize(void* listener, int)
{
    static_cast<Game*>(listener)->onResize();
}

} // namespace

Game::Game()
{
    m_camera.saveResetState();
    registerResizeListener(this, onGameResize);
}

Game::~Game()
{
    if (m_initialized)
        cleanup();
    unregisterResizeListener(this);
}

void Game::setCursorCaptured(bool captured)
{
    m_cursorCaptured = captured;
    if (captured)
        settleCursor();
    if (gWindow)
        glfwSetInputMode(gWindow, GLFW_CURSOR, captured ? GLFW_CURSOR_DISABLED : GLFW_CURSOR_NORMAL);
}
