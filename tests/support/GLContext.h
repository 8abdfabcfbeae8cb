// One GL context per test process: a hidden GLUT window, created on first use and kept until the
// process ends. GL tests derive from GLTest.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testsupport
{

// Creates the shared context if needed; false when no display is available.
bool ensureGLContext();

// The driver as GL names it ("llvmpipe (LLVM 15.0.6, 256 bits), 4.5 (Compatibility Profile) Mesa
// 22.3.6"), for messages; creates the shared context, "" when there is none.
std::string glDriver();

// Whether the driver is one of Mesa's. Some tests use what only Mesa offers (its environment
// variables, its shader compiler's messages) and skip elsewhere.
bool onMesa();

// Loads the race view's camera projection (the camera lens's field of view and near and far planes
// in an 800 x 600 window) and an identity model-view, as the game has them when it draws text or
// menus over the scene; `projection` receives the loaded matrix for comparing after.
void loadRaceProjection(double projection[16]);
// Expects what drawing over the scene must leave: the model-view matrix mode and `projection`.
void expectProjectionRestored(const double projection[16]);

} // namespace testsupport

class GLTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;
};
