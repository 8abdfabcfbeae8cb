#include "app/OptionMessages.h"

#include "app/Overlays.h"
#include "loaders/Font.h"

#include <GL/glew.h>

namespace
{

constexpr float messageX = 20.0f;
constexpr float lowestLineY = 580.0f;
constexpr float messageSize = 0.7f;
// A full line of the font at that size, so stacked messages never overlap.
constexpr float messagePitch = 20.0f * messageSize;

} // namespace

OptionMessages::OptionMessages(Font* messageFont)
    : duration(2.0), font(messageFont), texts{"WIREFRAME: ON",
                                              "WIREFRAME: OFF",
                                              "TEXTURE FILTERING: LINEAR",
                                              "TEXTURE FILTERING: NEAREST",
                                              "MIPMAPPING: LINEAR",
                                              "MIPMAPPING: NEAREST",
                                              "MIPMAPPING: OFF",
                                              "GEOMETRY MODE: VERTEX BUFFER OBJECTS",
                                              "GEOMETRY MODE: VERTEX ARRAYS",
                                              "GEOMETRY MODE: IMMEDIATE MODE",
                                              "DISPLAY LISTS: ON",
                                              "DISPLAY LISTS: OFF",
                                              "VIEW FRUSTUM CULLING: ON",
                                              "VIEW FRUSTUM CULLING: OFF",
                                              "BLENDING, ALPHATEST: ON",
                                              "BLENDING, ALPHATEST: OFF",
                                              "CG SHADER: ON",
                                              "CG SHADER: OFF",
                                              "GHOST: ON",
                                              "GHOST: OFF"}
{
}

void OptionMessages::showMessage(int index, double now)
{
    if (index < 0 || index >= int(texts.size()))
        return;
    entries.push_back(Entry{index, now});
}

std::vector<MessageLine> OptionMessages::expireAndPlace(double now)
{
    std::vector<MessageLine> lines;
    for (auto entry = entries.begin(); entry != entries.end();) {
        if (entry->timeStamp + duration < now) {
            entry = entries.erase(entry);
            continue;
        }
        lines.push_back(
            MessageLine{texts[std::size_t(entry->index)], lowestLineY - messagePitch * float(lines.size())});
        ++entry;
    }
    return lines;
}

void OptionMessages::drawMessages(double now)
{
    setOverlayRed();
    const std::vector<MessageLine> lines = expireAndPlace(now);
    if (font) {
        for (const MessageLine& line : lines)
            font->drawText(messageX, line.y, line.text, messageSize);
    }
    glColor3f(1.0f, 1.0f, 1.0f);
}
