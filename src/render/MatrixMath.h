// The few matrix helpers the engine shares. Matrices are plain arrays of 16 floats or doubles in
// OpenGL's column-major order (elements 12, 13, 14 hold the translation); points are 3 elements.
#pragma once

// out = a x b, as glLoadMatrixf(a) followed by glMultMatrixf(b) would leave it. `out` may alias
// `a` or `b`.
void multMatrix(const float a[16], const float b[16], float out[16]);
void multMatrix(const double a[16], const double b[16], double out[16]);

void copyMatrix(const float from[16], float to[16]);
void copyMatrix(const double from[16], double to[16]);
void copyMatrix(const double from[16], float to[16]);
void copyMatrix(const float from[16], double to[16]);

void loadIdentity(float m[16]);
void loadIdentity(double m[16]);

// out = m x (p, 1): the point p transformed by m, without perspective division. `out` may alias `p`.
void transformPoint(const float m[16], const float p[3], float out[3]);
void transformPoint(const double m[16], const double p[3], double out[3]);

// Scales v to unit length and returns its former length; a zero or non-finite vector is left as it
// is (instead of turning into NaN).
double normalise(double v[3]);

// out = a x b. `out` must not alias `a` or `b`.
void cross(const double a[3], const double b[3], double out[3]);
