// The short status lines that answer the F-keys ("WIREFRAME: ON", ...): each stays two seconds at
// the bottom left, the oldest lowest, newer ones stacked above it.
#pragma once

#include <list>
#include <string>
#include <vector>

class Font;

// Option-message indices, in the order of `OptionMessages::texts`.
enum OptionMessage {
    wireframeOn,
    wireframeOff,
    filteringLinear,
    filteringNearest,
    mipmappingLinear,
    mipmappingNearest,
    mipmappingOff,
    geometryBufferObjects,
    geometryVertexArrays,
    geometryImmediateMode,
    displayListsOn,
    displayListsOff,
    frustumCullingOn,
    frustumCullingOff,
    blendingOn,
    blendingOff,
    cgShaderOn,
    cgShaderOff,
    ghostOn,
    ghostOff,
    optionMessageCount
};

// One message line as drawMessages places it.
struct MessageLine {
    std::string text;
    float y; // overlay units, top of the line
};

class OptionMessages
{
  public:
    explicit OptionMessages(Font* font); // `font` not owned; may be null (nothing is drawn)

    // Queues message `index` (an OptionMessage) shown at `now` (seconds). Other indices are ignored.
    void showMessage(int index, double now);

    // Drops the messages older than `duration` at `now` (one exactly `duration` old stays) and
    // returns the rest, oldest first, at y = 580, then one line height higher each.
    std::vector<MessageLine> expireAndPlace(double now);

    // expireAndPlace, then draws the lines at x = 20, scale 0.7, overlay red; leaves the colour
    // white.
    void drawMessages(double now);

    struct Entry {
        int index;        // into texts
        double timeStamp; // seconds
    };

    double duration;                // seconds a message stays on screen
    Font* font;                     // not owned: the menu's font
    std::list<Entry> entries;       // messages still to show, in insertion order
    std::vector<std::string> texts; // the message texts by index
};
