// Key-frame animation of a model part: translation, rotation and scale channels that evaluate to a
// transform for any animation time, looping over the animation's length.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

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

    // Spherical interpolation from `a` to `b` by `f` (0 to 1) along the shorter way; nearly equal
    // rotations are blended linearly. Not renormalised. Flight poses blend with it too.
    static Quaternion slerp(Quaternion a, const Quaternion& b, double f);

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

// The transform of a part whose node sits below moving nodes: a modelling tool that animates a
// parent and places the geometry in a child (a pivot node) moves the child with the parent. The
// product, from the top of the node tree down, of fixed transforms and key animations, each key
// animation evaluated (and looping) at the same time.
class AnimationChain : public Animation
{
  public:
    AnimationChain() = default;
    AnimationChain(const AnimationChain&) = delete;
    AnimationChain& operator=(const AnimationChain&) = delete;

    // Appends a fixed transform (column-major) below the links so far.
    void appendFixed(const double matrix[16]);
    // Appends a key animation below the links so far; the chain owns it.
    void appendKeys(std::unique_ptr<KeyAnimation> keys);

    // The product of the links at `time` (seconds); identity for an empty chain.
    double* evaluate(double out[16], double time) const override;

    std::size_t size() const { return links.size(); }

  private:
    struct Link {
        std::array<double, 16> fixed{};     // used when `keys` is null
        std::unique_ptr<KeyAnimation> keys; // owned; null for a fixed link
    };
    std::vector<Link> links; // top of the node tree first
};
