// The root of a level's node tree. The scene loader fills it and records the special nodes and
// shared models it made on the way; the scene itself only owns its children (through Group).
#pragma once

#include "scene/Group.h"

#include <string>

class Light;
class Model;
class Skybox;
class Terrain;

class Scene : public Group
{
  public:
    // An empty scene with one reserved child slot.
    Scene();

    Model* gateModel;      // not owned (shared by the pylon entities): model of one pylon
    Model* arrowModel;     // not owned (shared by the arrow entities): small arrow over each gate
    Model* arrowModel2;    // not owned (shared by the arrow entities): large arrow over each gate
    Terrain* terrain;      // a child of the scene, or null: the level's ground
    float pylonDistance;   // half the distance between a gate's two pylons, world units
    Group* gates;          // a child of the scene, or null: one child group per gate, in course order
    Skybox* skybox;        // a child of the scene (slot 0), or null
    std::string directory; // base directory; every file name in the scene file is appended to it
    Light* light;          // a node of the scene, or null: the last light the file declared
};
