#include "scene/KeyAnimation.h"

#include "render/MatrixMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

Animation::~Animation() = default;

namespace
{

using Quaternion = KeyAnimation::Quaternion;
using Vector = KeyAnimation::Vector;

Quaternion multiply(const Quaternion& a, const Quaternion& b)
{
    // (a.w b.w - a.v . b.v, a.w b.v + b.w a.v + a.v x b.v)
    return {a[0] * b[0] - (a[1] * b[1] + a[2] * b[2] + a[3] * b[3]),
            a[0] * b[1] + b[0] * a[1] + (a[2] * b[3] - a[3] * b[2]),
            a[0] * b[2] + b[0] * a[2] + (a[3] * b[1] - a[1] * b[3]),
            a[0] * b[3] + b[0] * a[3] + (a[1] * b[2] - a[2] * b[1])};
}

Vector lerp(const Vector& a, const Vector& b, double f)
{
    return {a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f};
}

// The value of a channel at time t: interpolated (or extrapolated) on the segment around t, which
// wraps from the last key to the first before the first key. One key is simply held.
template <typename Value, typename Interpolate>
Value sample(const std::map<double, Value>& keys, double t, const Value& none, Interpolate interpolate)
{
    if (keys.empty())
        return none;
    if (keys.size() == 1)
        return keys.begin()->second;
    auto next = keys.upper_bound(t);
    if (next == keys.end())
        --next;
    auto prev = (next == keys.begin()) ? std::prev(keys.end()) : std::prev(next);
    const double f = (t - prev->first) / (next->first - prev->first);
    return interpolate(prev->second, next->second, f);
}

// Time in whole milliseconds, saturated so that huge or broken times cannot overflow.
int64_t milliseconds(double seconds)
{
    const double ms = std::trunc(seconds * 1000.0);
    if (!(ms == ms))
        return 0;
    if (ms >= 9.0e18)
        return INT64_C(9000000000000000000);
    if (ms <= -9.0e18)
        return -INT64_C(9000000000000000000);
    return int64_t(ms);
}

} // namespace

KeyAnimation::Quaternion KeyAnimation::slerp(Quaternion a, const Quaternion& b, double f)
{
    double d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    if (d < 0) {
        for (double& c : a)
            c = -c;
        d = -d;
    }
    double wa = 1 - f, wb = f;
    // Nearly parallel quaternions (this also catches d slightly above 1 from unnormalised keys)
    // are blended linearly, where sin(theta) would be close to zero.
    if (1 - d >= 0.05) {
        const double theta = std::acos(d);
        const double s = std::sin(theta);
        wa = std::sin((1 - f) * theta) / s;
        wb = std::sin(f * theta) / s;
    }
    return {wa * a[0] + wb * b[0], wa * a[1] + wb * b[1], wa * a[2] + wb * b[2], wa * a[3] + wb * b[3]};
}

KeyAnimation::KeyAnimation() : looping(true), endTime(0.0) {}

void KeyAnimation::setTranslationKey(double time, const double vector[3])
{
    translationKeys[time] = {vector[0], vector[1], vector[2]};
    if (time > endTime)
        endTime = time;
}

void KeyAnimation::setScaleKey(double time, const double vector[3])
{
    scaleKeys[time] = {vector[0], vector[1], vector[2]};
    if (time > endTime)
        endTime = time;
}

void KeyAnimation::addRotationKey(double time, const double quaternion[4])
{
    const Quaternion q = {quaternion[0], quaternion[1], quaternion[2], quaternion[3]};
    auto existing = rotationKeys.find(time);
    if (existing != rotationKeys.end())
        existing->second = multiply(existing->second, q);
    else
        rotationKeys.emplace(time, q);
    if (time > endTime)
        endTime = time;
}

double* KeyAnimation::evaluate(double out[16], double time) const
{
    double t = time;
    if (looping) {
        // Millisecond resolution, as the keys are authored. A period below one millisecond
        // would be a modulo by zero; such an animation is played once instead.
        const int64_t period = milliseconds(endTime);
        if (period > 0)
            t = double(milliseconds(time) % period) / 1000.0;
    }

    const Vector v = sample(translationKeys, t, Vector{0, 0, 0}, lerp);
    const Vector s = sample(scaleKeys, t, Vector{1, 1, 1}, lerp);
    const Quaternion q = sample(rotationKeys, t, Quaternion{1, 0, 0, 0}, KeyAnimation::slerp);

    const double w = q[0], x = q[1], y = q[2], z = q[3];
    const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z),     2 * (x * z - w * y),
                         2 * (x * y - w * z),     1 - 2 * (x * x + z * z), 2 * (y * z + w * x),
                         2 * (x * z + w * y),     2 * (y * z - w * x),     1 - 2 * (x * x + y * y)};
    // T x R x S: column c of R scaled by s[c], then the translation column.
    for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row)
            out[4 * c + row] = r[3 * c + row] * s[c];
        out[4 * c + 3] = 0;
    }
    out[12] = v[0];
    out[13] = v[1];
    out[14] = v[2];
    out[15] = 1;
    return out;
}

void AnimationChain::appendFixed(const double matrix[16])
{
    Link link;
    std::copy(matrix, matrix + 16, link.fixed.begin());
    links.push_back(std::move(link));
}

void AnimationChain::appendKeys(std::unique_ptr<KeyAnimation> keys)
{
    Link link;
    link.keys = std::move(keys);
    links.push_back(std::move(link));
}

double* AnimationChain::evaluate(double out[16], double time) const
{
    loadIdentity(out);
    double keyed[16];
    for (const Link& link : links)
        multMatrix(out, link.keys ? link.keys->evaluate(keyed, time) : link.fixed.data(), out);
    return out;
}
