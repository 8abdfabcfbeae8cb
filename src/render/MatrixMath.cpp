#include "render/MatrixMath.h"

#include <cmath>

namespace
{

template <typename T> void multiply(const T a[16], const T b[16], T out[16])
{
    T result[16];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            T sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[column * 4 + k];
            result[column * 4 + row] = sum;
        }
    }
    for (int i = 0; i < 16; ++i)
        out[i] = result[i];
}

template <typename From, typename To> void copy(const From from[16], To to[16])
{
    for (int i = 0; i < 16; ++i)
        to[i] = To(from[i]);
}

template <typename T> void identity(T m[16])
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? T(1) : T(0);
}

template <typename T> void transform(const T m[16], const T p[3], T out[3])
{
    const T x = p[0], y = p[1], z = p[2];
    out[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
    out[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
    out[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
}

} // namespace

void multMatrix(const float a[16], const float b[16], float out[16])
{
    multiply(a, b, out);
}
void multMatrix(const double a[16], const double b[16], double out[16])
{
    multiply(a, b, out);
}

void copyMatrix(const float from[16], float to[16])
{
    copy(from, to);
}
void copyMatrix(const double from[16], double to[16])
{
    copy(from, to);
}
void copyMatrix(const double from[16], float to[16])
{
    copy(from, to);
}
void copyMatrix(const float from[16], double to[16])
{
    copy(from, to);
}

void loadIdentity(float m[16])
{
    identity(m);
}
void loadIdentity(double m[16])
{
    identity(m);
}

void transformPoint(const float m[16], const float p[3], float out[3])
{
    transform(m, p, out);
}
void transformPoint(const double m[16], const double p[3], double out[3])
{
    transform(m, p, out);
}

double normalise(double v[3])
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0 && std::isfinite(length)) {
        for (int k = 0; k < 3; ++k)
            v[k] /= length;
    }
    return length;
}

void cross(const double a[3], const double b[3], double out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}
