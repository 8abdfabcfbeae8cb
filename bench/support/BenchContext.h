// The benchmark run's GL context: one hidden GLUT window with GLEW ready, made by
// the first benchmark that asks for it.
#pragma once

// False when no context could be made (no display); the caller then skips its benchmark.
bool ensureBenchContext();
