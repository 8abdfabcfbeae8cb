// One vertex of a mesh, laid out exactly as OpenGL's GL_T2F_N3F_V3F interleaved format so that one
// glInterleavedArrays call sets the texture, normal and position pointers.
#pragma once

struct Vertex {
    float s, t;       // texture coordinate
    float nx, ny, nz; // normal
    float x, y, z;    // position, model units
};

static_assert(sizeof(Vertex) == 32, "Vertex must match GL_T2F_N3F_V3F with stride 0");
