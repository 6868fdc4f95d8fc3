#include "gl/FramePresenter.h"

#include "gl/PassTimer.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

GLFWwindow* FramePresenter::s_waiting = nullptr;

void FramePresenter::frameDone(GLFWwindow* window, bool late)
{
    // A frame still waiting here was drawn over by this one, which is the one to show.
    s_waiting = late ? window : nullptr;
    if (late)
        glFlush();
    else
        glfwSwapBuffers(window);
}

void FramePresenter::presentWaiting()
{
    if (!s_waiting)
        return;
    PassTimer::lap("present");
    glfwSwapBuffers(s_waiting);
    s_waiting = nullptr;
}
