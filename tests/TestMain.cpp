// Test entry point: starts the platform (GLUT needs the X display) before the suites run.
#include <gtest/gtest.h>

#include "platform/Platform.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    platform::Startup(&argc, argv);
    return RUN_ALL_TESTS();
}
