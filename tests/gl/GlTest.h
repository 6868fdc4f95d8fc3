// A hidden GLFW window with an OpenGL 4.3 core context, shared by every GL test.
#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
    static GLFWwindow* window();
};

// Base fixture: skips nothing, fails loudly when no context could be made.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
