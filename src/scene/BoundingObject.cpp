#include "scene/BoundingObject.h"

BoundingObject::~BoundingObject() = default;

void BoundingObject::draw() const {}
