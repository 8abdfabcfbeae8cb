#include "scene/Scene.h"

Scene::Scene()
    : Group(1), gateModel(nullptr), arrowModel(nullptr), arrowModel2(nullptr), terrain(nullptr),
      pylonDistance(0), gates(nullptr), skybox(nullptr), light(nullptr)
{
}
