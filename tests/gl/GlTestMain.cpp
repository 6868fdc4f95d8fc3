// Entry point of the GL tests: one hidden 4.3 core window for the whole run.
#include "GlTest.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GlEnvironment());
    return RUN_ALL_TESTS();
}
