// Builds a level's Scene straight from its XML scene file: the terrain, the sky box, the lights,
// the groups of placed models and the course of gates with their pylons and arrows.
#pragma once

#include "loaders/ColladaLoader.h"

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <map>
#include <string>

class Group;
class Node;
class Light;
class Model;
class Scene;

// Reads the scene file `fileName` (relative to the data directory, for example levels\alpine.xml)
// into a new Scene owned by the caller, with `directory` = `baseDirectory`. Needs the GL context.
//
// Never fails: a missing or malformed file is reported on standard output ("Sax Parse Exception:
// ...") and the scene keeps what was read before the problem, with the terrain and the gates that
// exist already attached. Absent attributes and elements out of place are reported on standard
// error and skipped.
Scene* loadSceneFile(const std::string& fileName);

// The SAX content handler behind loadSceneFile; it lives for one parse.
class SceneXMLHandler : public xercesc::DefaultHandler
{
  public:
    // `fileName` only names the file in messages.
    SceneXMLHandler(Scene* scene, const std::string& fileName);
    // Deletes a light that was started but never ended (it never reached the scene). The cached
    // models are not touched: the entities that show them own them.
    ~SceneXMLHandler() override;

    void setDocumentLocator(const xercesc::Locator* const locator) override;
    void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override;
    void endElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname) override;

    // "Warning: ", "Error: " or "Fatal Error: " with the message and its line, on standard output.
    void warning(const xercesc::SAXParseException& problem) override;
    void error(const xercesc::SAXParseException& problem) override;
    void fatalError(const xercesc::SAXParseException& problem) override;

    // After the parse, whether it completed or not: attaches what an unfinished file left detached
    // (the terrain, the gates, a light without its end tag), so nothing is lost or leaked, and
    // drops gate and arrow models that no gate uses.
    void finish();

    Scene* scene;                             // not owned: the scene being built
    Light* currentLight;                      // the light of the last accepted `light`; owned by the
                                              // scene once its element ended, null before any
    std::map<std::string, Model*> modelCache; // file name as written -> model; owned by its entities
    ModelImporter models;                     // one import process for all the level's models
    Group* currentGroup;                      // owned by the scene: the group of the last `group`
    float groupPosition[3];                   // where that group was placed, terrain rule applied

  private:
    enum class LevelState { notStarted, open, ended };

    void startLevel(const xercesc::Attributes& attributes);
    void startGates(const xercesc::Attributes& attributes);
    void startGate(const xercesc::Attributes& attributes);
    void startLight(const xercesc::Attributes& attributes);
    void startColour(const std::string& element, const xercesc::Attributes& attributes);
    void startSky(const xercesc::Attributes& attributes);
    void startGroup(const xercesc::Attributes& attributes);
    void startObject(const xercesc::Attributes& attributes);
    void endLevel();
    void endLight();

    // The attribute as a float (atof: absent or not a number gives 0); an infinite or NaN value is
    // reported and gives 0 as well.
    float readFloat(const xercesc::Attributes& attributes, const char* element, const char* name);
    // Rotation (angle in degrees about an axis used as given), then scale, as groups and objects
    // declare them.
    void applyRotationAndScale(Node* node, const xercesc::Attributes& attributes, const char* element);
    // One line on standard error naming the file and the line: "<file>, line <n>: <text>".
    void reject(const std::string& text) const;

    std::string fileName;
    const xercesc::Locator* locator; // not owned; valid during the parse only
    LevelState levelState;
    Light* pendingLight; // created by a `light` whose end has not come yet; owned here until then
    bool lightRejected;  // the last `light` was skipped, so its colours are skipped silently
    int placeholderSlot; // the scene slot held for the sky box while the level is open
    int skippedLevels;   // nested `level` elements skipped and not yet ended
};
