#include "GlTest.h"

#include "platform/AssetFiles.h"
#include "platform/FrameGlobals.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <cstdlib>
#include <iostream>

namespace {
GLFWwindow* gTestWindow = nullptr;

// Without a context no GL test can run. A failed assertion in the environment's set-up
// would leave every test "skipped", which ctest counts as no failure: end the run here.
[[noreturn]] void noContext(const char* why)
{
    std::cerr << "gl tests: " << why << std::endl;
    std::exit(1);
}
} // namespace

GLFWwindow* GlEnvironment::window()
{
    return gTestWindow;
}

void GlEnvironment::SetUp()
{
    if (!glfwInit())
        noContext("glfwInit failed (is DISPLAY set?)");
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    gTestWindow = glfwCreateWindow(1280, 768, "gl tests", nullptr, nullptr);
    if (!gTestWindow)
        noContext("no OpenGL 4.3 core context");
    glfwMakeContextCurrent(gTestWindow);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
        noContext("glewInit failed");
    glGetError();
    ilInit();
    iluInit();
    ilutInit();
    ilutRenderer(ILUT_OPENGL);
    glGetError();
    glfwGetFramebufferSize(gTestWindow, &gWindowWidth, &gWindowHeight);
    locateAssetsDir();
}

void GlEnvironment::TearDown()
{
    if (gTestWindow)
        glfwDestroyWindow(gTestWindow);
    gTestWindow = nullptr;
    glfwTerminate();
}

void GlTest::SetUp()
{
    ASSERT_NE(GlEnvironment::window(), nullptr);
    glGetError();
}

void GlTest::TearDown()
{
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
