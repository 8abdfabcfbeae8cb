// Key-frame animation of a model part: translation, rotation and scale channels that evaluate to a
// transform for any animation time, looping over the animation's length.
#pragma once

#include <array>
#include <map>

// Something that yields a transform for a point in time.
class Animation
{
  public:
    virtual ~Animation();

    // Fills `out` (column-major, as glMultMatrixd takes it) with the transform at `time` (seconds)
    // and returns `out`.
    virtual double* evaluate(double out[16], double time) const = 0;

  protected:
    Animation() = default;
    Animation(const Animation&) = default;
    Animation& operator=(const Animation&) = default;
};

class KeyAnimation : public Animation
{
  public:
    using Vector = std::array<double, 3>;     // x, y, z
    using Quaternion = std::array<double, 4>; // w, x, y, z

    KeyAnimation();

    // Stores a key at `time` (seconds), replacing one at the same time; extends `endTime`.
    void setTranslationKey(double time, const double vector[3]);
    void setScaleKey(double time, const double vector[3]);
    // A second rotation at the same time is composed onto the first (existing x q).
    void addRotationKey(double time, const double quaternion[4]);

    // T x R x S of the three channels at `time`: scale first, then rotation, then translation.
    // While `looping`, the time wraps at `endTime` with millisecond resolution; an animation
    // shorter than a millisecond does not loop. An empty channel yields no translation, unit scale
    // or no rotation; a channel with one key yields that key.
    double* evaluate(double out[16], double time) const override;

    std::map<double, Vector> translationKeys;  // key time (seconds) -> translation
    std::map<double, Vector> scaleKeys;        // key time (seconds) -> scale factors
    std::map<double, Quaternion> rotationKeys; // key time (seconds) -> unit quaternion (w, x, y, z)
    bool looping;                              // repeat over endTime; true from construction
    double endTime;                            // latest key time of all channels, seconds
};
