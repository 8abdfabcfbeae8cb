// The cartoon look of the terrain: a brighter light ramp than the models' and a detail texture
// blended over the terrain texture by a weights texture. One per terrain, owned by it.
#pragma once

#include "shading/CgCartoon.h"

#include <string>

class CgTerrain : public CgCartoon
{
  public:
    // Loads "shader/vp_cartoon" and "shader/fp_terrain" from the data directory. Detail and weights
    // start white and the repeat at 1, which leaves the terrain texture as it is.
    explicit CgTerrain(const std::string& dataDirectory);
    // Deletes the detail and weights textures it loaded, then what CgCartoon owns.
    ~CgTerrain() override;

    // Re-applies changed texture filters to the detail and weights textures, then binds as CgCartoon.
    void bind(Material* material) override;

    // Loads the two images (full data paths) and repeats the detail `repeat` times across the
    // terrain. Textures of an earlier call are replaced and deleted; an image that cannot be loaded
    // (the texture loader reports it) leaves that parameter white.
    void setTextures(const std::string& detailPath, const std::string& weightsPath, float repeat);

    platform::cg::Parameter* textureRepeat;  // fragment: detail repetitions across the terrain
    platform::cg::Parameter* detailTexture;  // fragment: detail texture
    platform::cg::Parameter* weightsTexture; // fragment: weights texture

    GLuint detailTextureName;  // owned; 0 until setTextures loads one
    GLuint weightsTextureName; // owned; 0 until setTextures loads one
};
