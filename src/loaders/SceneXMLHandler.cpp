#include "loaders/SceneXMLHandler.h"

#include "loaders/ColladaLoader.h"
#include "loaders/XmlParser.h"
#include "render/Globals.h"
#include "render/TextureLoader.h"
#include "scene/Entity.h"
#include "scene/Group.h"
#include "scene/Light.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Skybox.h"
#include "scene/Terrain.h"
#include "shading/CgTerrain.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iostream>

using xercesc::Attributes;

namespace
{

constexpr float degreesToRadians = 0.017453292519943295f;
constexpr float arrowHeight = 15.0f;         // both arrows float this high over the gate centre
constexpr float largeArrowScale = 1.5f;      // the arrow over the next gate
constexpr float onTerrainTolerance = 0.001f; // a posY closer to 0 than this means "on the ground"

bool onTerrain(float posY)
{
    return -onTerrainTolerance < posY && posY < onTerrainTolerance;
}

// A light index written as a plain integer 0 to 7; -1 for anything else.
int parseLightIndex(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    const size_t digits = i;
    int value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 8)
        value = value * 10 + (text[i++] - '0');
    if (i == digits)
        return -1;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    return i == text.size() && value < 8 ? value : -1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The parse
// ---------------------------------------------------------------------------------------------

Scene* loadSceneFile(const std::string& fileName)
{
    Scene* scene = new Scene();
    scene->directory = baseDirectory;

    // Bounds are worked out once at the end, not after every node the file adds.
    float transform[16];
    scene->noBounds = true;
    scene->getWorldTransform(transform);

    SceneXMLHandler handler(scene, fileName);
    parseXmlFile(scene->directory + fileName, handler, std::cout);
    handler.finish();

    scene->noBounds = false;
    scene->getWorldTransform(transform);
    return scene;
}

SceneXMLHandler::SceneXMLHandler(Scene* built, const std::string& file)
    : scene(built), currentLight(nullptr), currentGroup(nullptr), groupPosition{0, 0, 0}, fileName(file),
      locator(nullptr), levelState(LevelState::notStarted), pendingLight(nullptr), lightRejected(false),
      placeholderSlot(-1), skippedLevels(0)
{
}

SceneXMLHandler::~SceneXMLHandler()
{
    delete pendingLight;
}

void SceneXMLHandler::setDocumentLocator(const xercesc::Locator* const documentLocator)
{
    locator = documentLocator;
}

void SceneXMLHandler::warning(const xercesc::SAXParseException& problem)
{
    reportParseProblem(std::cout, "Warning: ", problem);
}

void SceneXMLHandler::error(const xercesc::SAXParseException& problem)
{
    reportParseProblem(std::cout, "Error: ", problem);
}

void SceneXMLHandler::fatalError(const xercesc::SAXParseException& problem)
{
    reportParseProblem(std::cout, "Fatal Error: ", problem);
}

void SceneXMLHandler::reject(const std::string& text) const
{
    std::cerr << fileName;
    if (locator)
        std::cerr << ", line " << locator->getLineNumber();
    std::cerr << ": " << text << "\n";
}

void SceneXMLHandler::startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                                   const Attributes& attributes)
{
    const std::string element = transcode(qname);
    if (element == "level") {
        startLevel(attributes);
        return;
    }
    const bool known = element == "gates" || element == "gate" || element == "light" ||
                       element == "ambient" || element == "diffuse" || element == "specular" ||
                       element == "sky" || element == "group" || element == "object";
    if (!known)
        return;
    // Everything hangs off the level: its terrain, and slot 0 held for the sky box.
    if (levelState == LevelState::notStarted) {
        reject("\"" + element + "\" before \"level\" is skipped");
        return;
    }
    if (element == "gates")
        startGates(attributes);
    else if (element == "gate")
        startGate(attributes);
    else if (element == "light")
        startLight(attributes);
    else if (element == "ambient" || element == "diffuse" || element == "specular")
        startColour(element, attributes);
    else if (element == "sky")
        startSky(attributes);
    else if (element == "group")
        startGroup(attributes);
    else
        startObject(attributes);
}

void SceneXMLHandler::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname)
{
    const std::string element = transcode(qname);
    if (element == "level")
        endLevel();
    else if (element == "light")
        endLight();
}

void SceneXMLHandler::finish()
{
    // The locator belonged to the reader, which is gone.
    locator = nullptr;
    if (pendingLight)
        endLight();
    skippedLevels = 0;
    if (levelState == LevelState::open)
        endLevel();
    if (levelState == LevelState::ended && !scene->gates) {
        reject("no \"gates\": the level has no course");
        scene->gates = new Group(1);
        scene->addChild(scene->gates);
    }
    // The scene does not own these models; only gate entities would have freed them.
    for (Model** model : {&scene->gateModel, &scene->arrowModel, &scene->arrowModel2}) {
        if (*model && (*model)->refCount == 0) {
            delete *model;
            *model = nullptr;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Attributes
//
// Several elements read their attributes last to first (rotateZ, rotateY, rotateX; w, z, y, x;
// a, b, g, r). That is deliberate: messages about absent or bad attributes come out in read order,
// the order the game has always reported them in, and the scene file tests pin it.
// ---------------------------------------------------------------------------------------------

float SceneXMLHandler::readFloat(const Attributes& attributes, const char* element, const char* name)
{
    const std::string text = readAttribute(attributes, name);
    const float value = float(std::atof(text.c_str()));
    if (std::isfinite(value))
        return value;
    reject(std::string("attribute ") + name + " of \"" + element + "\" is not a finite number (\"" + text +
           "\"), 0 is used");
    return 0.0f;
}

void SceneXMLHandler::applyRotationAndScale(Node* node, const Attributes& attributes, const char* element)
{
    // Last to first on purpose: the read order is the message order (see above).
    const float rotateZ = readFloat(attributes, element, "rotateZ");
    const float rotateY = readFloat(attributes, element, "rotateY");
    const float rotateX = readFloat(attributes, element, "rotateX");
    const float rotateAngle = readFloat(attributes, element, "rotateAngle");
    node->rotate(rotateAngle * degreesToRadians, rotateX, rotateY, rotateZ);

    const float scaleZ = readFloat(attributes, element, "scaleZ");
    const float scaleY = readFloat(attributes, element, "scaleY");
    const float scaleX = readFloat(attributes, element, "scaleX");
    node->scale(scaleX, scaleY, scaleZ);
}

// ---------------------------------------------------------------------------------------------
// Elements
// ---------------------------------------------------------------------------------------------

void SceneXMLHandler::startLevel(const Attributes& attributes)
{
    if (levelState != LevelState::notStarted) {
        reject("a second \"level\" is skipped");
        ++skippedLevels;
        return;
    }
    levelState = LevelState::open;

    const std::string terrainFile = readAttribute(attributes, "terrain");
    const float sizeX = readFloat(attributes, "level", "sizeX");
    const float sizeY = readFloat(attributes, "level", "sizeY");
    const float sizeZ = readFloat(attributes, "level", "sizeZ");
    const std::string terrainTexture = scene->directory + readAttribute(attributes, "terrainTexture");
    const std::string detailTexture = scene->directory + readAttribute(attributes, "detailTexture");
    const std::string detailWeights = scene->directory + readAttribute(attributes, "detailWeights");
    const float repeatTexture = readFloat(attributes, "level", "repeatTexture");

    Terrain* terrain = new Terrain(scene->directory, terrainFile, sizeX, sizeY, sizeZ);
    scene->terrain = terrain;
    loadTexture(terrainTexture, terrain->material.texture);
    terrain->repeatTexture = repeatTexture;
    terrain->terrainShader->setTextures(detailTexture, detailWeights, repeatTexture);

    placeholderSlot = scene->addChild(new Group(1));
}

void SceneXMLHandler::endLevel()
{
    // The end of a skipped inner level must not close the real one.
    if (skippedLevels > 0) {
        --skippedLevels;
        return;
    }
    if (levelState != LevelState::open)
        return;
    levelState = LevelState::ended;

    Node* placeholder = scene->skybox ? scene->replaceChild(placeholderSlot, scene->skybox)
                                      : scene->removeChild(placeholderSlot);
    delete placeholder;
    scene->addChild(scene->terrain);
    if (scene->gates)
        scene->addChild(scene->gates);
}

void SceneXMLHandler::startGates(const Attributes& attributes)
{
    // A second course would replace the first one's group before it ever reaches the scene.
    if (scene->gates) {
        reject("a second \"gates\" is skipped");
        return;
    }
    const std::string model = readAttribute(attributes, "model");
    scene->gateModel = models.load(scene->directory, model);
    scene->pylonDistance = readFloat(attributes, "gates", "pylonDistance");
    scene->gates = new Group(1);

    const std::string arrow = readAttribute(attributes, "arrow");
    scene->arrowModel = models.load(scene->directory, arrow);
    scene->arrowModel2 = models.load(scene->directory, arrow + "2");

    // After the level ended its children are placed: the course goes straight after them.
    if (levelState == LevelState::ended)
        scene->addChild(scene->gates);
}

void SceneXMLHandler::startGate(const Attributes& attributes)
{
    if (!scene->gates) {
        reject("\"gate\" before \"gates\" is skipped");
        return;
    }
    const float posX = readFloat(attributes, "gate", "posX");
    const float posZ = readFloat(attributes, "gate", "posZ");
    const float rotation = readFloat(attributes, "gate", "rotation") * degreesToRadians;
    const float distance = scene->pylonDistance;
    Terrain* terrain = scene->terrain;

    Group* gate = new Group(3);
    const float h = terrain->getHeight(posX, posZ);
    gate->translate(posX, h, posZ);
    gate->rotate(rotation, 0, 1, 0);

    // The left pylon follows the ground at its unrotated offset; the right one stands at h.
    Entity* left = new Entity(scene->gateModel);
    left->translate(-distance, terrain->getHeight(posX - distance, posZ) - h, 0);
    gate->addChild(left);

    Entity* right = new Entity(scene->gateModel);
    right->translate(distance, 0, 0);
    gate->addChild(right);

    // The arrows are markers, not obstacles: they stay out of the gate's box.
    float transform[16];
    Entity* smallArrow = new Entity(scene->arrowModel);
    smallArrow->noBounds = true;
    smallArrow->getWorldTransform(transform);
    smallArrow->visible = true;
    smallArrow->translate(0, arrowHeight, 0);
    gate->addChild(smallArrow);

    Entity* largeArrow = new Entity(scene->arrowModel2);
    largeArrow->visible = false;
    largeArrow->noBounds = true;
    largeArrow->getWorldTransform(transform);
    largeArrow->translate(0, arrowHeight, 0);
    largeArrow->scale(largeArrowScale, largeArrowScale, largeArrowScale);
    gate->addChild(largeArrow);

    scene->gates->addChild(gate);
}

void SceneXMLHandler::startLight(const Attributes& attributes)
{
    // Light nodes switch their GL light on and off; an index outside the eight lights has none.
    std::string id;
    const int index = findAttribute(attributes, "id", id) ? parseLightIndex(id) : -1;
    if (index < 0) {
        reject("\"light\" without a valid id (0 to 7) is skipped");
        currentLight = nullptr;
        lightRejected = true;
        return;
    }
    // A light nested in another one: the outer one goes to the scene now, before it is replaced.
    if (pendingLight)
        endLight();

    Light* light = new Light(uint32_t(index));
    currentLight = light;
    pendingLight = light;
    lightRejected = false;

    // w, z, y, x: the read order is the message order (see Attributes).
    const float w = readFloat(attributes, "light", "w");
    const float z = readFloat(attributes, "light", "z");
    const float y = readFloat(attributes, "light", "y");
    const float x = readFloat(attributes, "light", "x");
    light->setPosition(x, y, z, w);

    const float attenuationValue = readFloat(attributes, "light", "attenuationValue");
    const int attenuationType = std::atoi(readAttribute(attributes, "attenuationType").c_str());
    light->setAttenuation(attenuationType, attenuationValue);

    scene->light = light;
}

void SceneXMLHandler::endLight()
{
    // Appending only the pending light keeps a stray end tag from adding a light twice.
    if (!pendingLight)
        return;
    scene->addChild(pendingLight);
    pendingLight = nullptr;
}

void SceneXMLHandler::startColour(const std::string& element, const Attributes& attributes)
{
    if (!currentLight) {
        if (!lightRejected)
            reject("\"" + element + "\" before any \"light\" is skipped");
        return;
    }
    // a, b, g, r: the read order is the message order (see Attributes).
    const float a = readFloat(attributes, element.c_str(), "a");
    const float b = readFloat(attributes, element.c_str(), "b");
    const float g = readFloat(attributes, element.c_str(), "g");
    const float r = readFloat(attributes, element.c_str(), "r");
    if (element == "ambient")
        currentLight->setAmbient(r, g, b, a);
    else if (element == "diffuse")
        currentLight->setDiffuse(r, g, b, a);
    else
        currentLight->setSpecular(r, g, b, a);
}

void SceneXMLHandler::startSky(const Attributes& attributes)
{
    // Only the slot held while the level is open can take the sky box.
    if (scene->skybox || levelState != LevelState::open) {
        reject(scene->skybox ? "a second \"sky\" is skipped"
                             : "\"sky\" after the end of \"level\" is skipped");
        return;
    }
    const std::string texture = scene->directory + readAttribute(attributes, "texture");
    const float size = readFloat(attributes, "sky", "size");
    const float posX = readFloat(attributes, "sky", "posX");
    const float posY = readFloat(attributes, "sky", "posY");
    const float posZ = readFloat(attributes, "sky", "posZ");
    scene->skybox = new Skybox(texture, size, posX, posY, posZ);
}

void SceneXMLHandler::startGroup(const Attributes& attributes)
{
    const float posX = readFloat(attributes, "group", "posX");
    float posY = readFloat(attributes, "group", "posY");
    const float posZ = readFloat(attributes, "group", "posZ");
    if (onTerrain(posY) && scene->terrain)
        posY = scene->terrain->getHeight(posX, posZ);

    Group* group = new Group(1);
    group->translate(posX, posY, posZ);
    groupPosition[0] = posX;
    groupPosition[1] = posY;
    groupPosition[2] = posZ;
    applyRotationAndScale(group, attributes, "group");

    currentGroup = group;
    scene->addChild(group);
}

void SceneXMLHandler::startObject(const Attributes& attributes)
{
    if (!currentGroup) {
        reject("\"object\" before any \"group\" is skipped");
        return;
    }
    const std::string file = readAttribute(attributes, "model");
    Model*& model = modelCache[file];
    if (!model)
        model = models.load(scene->directory, file);

    const float posX = readFloat(attributes, "object", "posX");
    float posY = readFloat(attributes, "object", "posY");
    const float posZ = readFloat(attributes, "object", "posZ");
    // X and Z are relative to the group, Y is a height in the world.
    if (onTerrain(posY) && scene->terrain)
        posY = scene->terrain->getHeight(groupPosition[0] + posX, groupPosition[2] + posZ);

    Entity* entity = new Entity(model);
    entity->translate(posX, posY - groupPosition[1], posZ);
    applyRotationAndScale(entity, attributes, "object");
    currentGroup->addChild(entity);
}
