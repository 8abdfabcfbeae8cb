// One GL context per test process: a hidden GLUT window, created on first use and kept until the
// process ends. GL tests derive from GLTest.
#pragma once

#include <gtest/gtest.h>

namespace testsupport
{

// Creates the shared context if needed; false when no display is available.
bool ensureGLContext();

} // namespace testsupport

class GLTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;
};
