#include "loaders/ColladaLoaderMarkup.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace
{

struct Tag {
    std::string name; // local name, any namespace prefix removed
    std::vector<std::pair<std::string, std::string>> attributes;
    bool closing = false;     // </name>
    bool selfClosing = false; // <name ... />
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void appendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xc0 | (code >> 6));
        out += char(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += char(0xe0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3f));
        out += char(0x80 | (code & 0x3f));
    } else if (code < 0x110000) {
        out += char(0xf0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3f));
        out += char(0x80 | ((code >> 6) & 0x3f));
        out += char(0x80 | (code & 0x3f));
    }
}

// Attribute text with the predefined entities and character references replaced; any other
// reference is kept as written.
std::string decodeReferences(const std::string& raw)
{
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const size_t end = raw.find(';', i);
        if (end == std::string::npos || end - i > 10) {
            out += raw[i];
            continue;
        }
        const std::string entity = raw.substr(i + 1, end - i - 1);
        if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "amp")
            out += '&';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            const unsigned long code = std::strtoul(entity.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
            appendUtf8(out, uint32_t(code));
        } else {
            out.append(raw, i, end - i + 1);
        }
        i = end;
    }
    return out;
}

std::string localName(const std::string& qualified)
{
    const size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

class MarkupReader
{
  public:
    explicit MarkupReader(const std::string& text) : text(text) {}

    // The next start or end tag; false at the end of the text or at markup it cannot follow.
    bool next(Tag& tag)
    {
        for (;;) {
            const size_t open = text.find('<', position);
            if (open == std::string::npos)
                return false;
            position = open;
            if (skipPast("<!--", "-->") || skipPast("<![CDATA[", "]]>") || skipPast("<?", "?>"))
                continue;
            if (text.compare(position, 2, "<!") == 0) {
                if (!skipDeclaration())
                    return false;
                continue;
            }
            return readTag(tag);
        }
    }

    // The character data after the tag just read, up to the next markup or `most` characters.
    std::string characterData(size_t most) const
    {
        const size_t end = std::min(text.find('<', position), text.size());
        return text.substr(position, std::min(end - std::min(position, end), most));
    }

  private:
    // When the text at the current position starts with `start`, moves past the next `end`.
    bool skipPast(const char* start, const char* end)
    {
        if (text.compare(position, std::char_traits<char>::length(start), start) != 0)
            return false;
        const size_t found = text.find(end, position + std::char_traits<char>::length(start));
        position = found == std::string::npos ? text.size() : found + std::char_traits<char>::length(end);
        return true;
    }

    // <!DOCTYPE ...> with an optional internal subset in brackets.
    bool skipDeclaration()
    {
        char quote = 0;
        int depth = 0;
        for (size_t i = position + 2; i < text.size(); ++i) {
            const char c = text[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++depth;
            } else if (c == ']') {
                --depth;
            } else if (c == '>' && depth <= 0) {
                position = i + 1;
                return true;
            }
        }
        return false;
    }

    bool readTag(Tag& tag)
    {
        tag = Tag();
        size_t i = position + 1;
        if (i < text.size() && text[i] == '/') {
            tag.closing = true;
            ++i;
        }
        const size_t nameStart = i;
        while (i < text.size() && !isSpace(text[i]) && text[i] != '/' && text[i] != '>')
            ++i;
        if (i == nameStart)
            return false;
        tag.name = localName(text.substr(nameStart, i - nameStart));
        for (;;) {
            while (i < text.size() && isSpace(text[i]))
                ++i;
            if (i >= text.size())
                return false;
            if (text[i] == '>') {
                position = i + 1;
                return true;
            }
            if (text[i] == '/') {
                tag.selfClosing = true;
                ++i;
                continue;
            }
            const size_t attributeStart = i;
            while (i < text.size() && !isSpace(text[i]) && text[i] != '=' && text[i] != '>' && text[i] != '/')
                ++i;
            const std::string attribute = text.substr(attributeStart, i - attributeStart);
            while (i < text.size() && isSpace(text[i]))
                ++i;
            if (attribute.empty() || i >= text.size() || text[i] != '=')
                return false;
            ++i;
            while (i < text.size() && isSpace(text[i]))
                ++i;
            if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
                return false;
            const char quote = text[i];
            const size_t valueEnd = text.find(quote, i + 1);
            if (valueEnd == std::string::npos)
                return false;
            tag.attributes.emplace_back(attribute, decodeReferences(text.substr(i + 1, valueEnd - i - 1)));
            i = valueEnd + 1;
        }
    }

    const std::string& text;
    size_t position = 0;
};

std::string attributeOf(const Tag& tag, const char* name)
{
    for (const auto& attribute : tag.attributes)
        if (attribute.first == name)
            return attribute.second;
    return "";
}

bool isFixedFunctionTechnique(const std::string& name)
{
    return name == "constant" || name == "lambert" || name == "phong" || name == "blinn";
}

// Whether the innermost of the `open` elements, `depth` levels up (0: the innermost itself), is the
// shading element of a profile_COMMON technique.
bool inCommonShading(const std::vector<std::string>& open, size_t depth)
{
    const size_t n = open.size();
    return n >= depth + 3 && isFixedFunctionTechnique(open[n - 1 - depth]) &&
           open[n - 2 - depth] == "technique" && open[n - 3 - depth] == "profile_COMMON";
}

// Reads up to `most` numbers separated by white space into `out`; returns how many were read before
// the first that is not a finite number.
int readFloats(const std::string& text, float* out, int most)
{
    int count = 0;
    const char* at = text.data();
    const char* const end = at + text.size();
    while (count < most) {
        while (at < end && isSpace(*at))
            ++at;
        float value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || !std::isfinite(value))
            break;
        out[count++] = value;
        at = next;
    }
    return count;
}

// Enough characters for the few numbers read from element text.
constexpr size_t numbersLength = 256;

} // namespace

ColladaMarkupIndex indexColladaMarkup(const std::string& document)
{
    ColladaMarkupIndex index;
    MarkupReader reader(document);
    std::vector<std::string> open; // names of the elements enclosing the current position
    std::string currentEffect;     // id of the effect being read, "" outside effects
    bool inMaterial = false;
    Tag tag;
    while (reader.next(tag)) {
        if (tag.closing) {
            // Pop up to the matching element, so a stray end tag cannot unbalance the rest.
            for (size_t k = open.size(); k-- > 0;) {
                if (open[k] == tag.name) {
                    open.resize(k);
                    break;
                }
            }
            if (tag.name == "effect")
                currentEffect.clear();
            else if (tag.name == "material")
                inMaterial = false;
            continue;
        }

        const std::string parent = open.empty() ? "" : open.back();
        const std::string grandparent = open.size() < 2 ? "" : open[open.size() - 2];
        if (tag.name == "material" && parent == "library_materials") {
            index.materials.push_back({attributeOf(tag, "id"), attributeOf(tag, "name"), ""});
            inMaterial = !tag.selfClosing;
        } else if (tag.name == "instance_effect" && inMaterial && parent == "material") {
            std::string url = attributeOf(tag, "url");
            if (!url.empty() && url[0] == '#')
                url.erase(0, 1);
            index.materials.back().effect = url;
        } else if (tag.name == "effect" && parent == "library_effects") {
            currentEffect = attributeOf(tag, "id");
            index.effects.insert(currentEffect);
            if (tag.selfClosing)
                currentEffect.clear();
        } else if (!currentEffect.empty() && isFixedFunctionTechnique(tag.name) && parent == "technique" &&
                   grandparent == "profile_COMMON") {
            index.fixedFunctionEffects.insert(currentEffect);
        } else if (!currentEffect.empty() && tag.name == "transparent" && inCommonShading(open, 0)) {
            ColladaTransparency& transparency = index.transparency[currentEffect];
            const std::string opaque = attributeOf(tag, "opaque");
            transparency.opaque = opaque.empty() ? "A_ONE" : opaque;
        } else if (!currentEffect.empty() && tag.name == "color" && parent == "transparent" &&
                   inCommonShading(open, 1)) {
            ColladaTransparency& transparency = index.transparency[currentEffect];
            transparency.colourGiven =
                readFloats(reader.characterData(numbersLength), transparency.colour, 4) >= 3;
        } else if (!currentEffect.empty() && tag.name == "transparency" && inCommonShading(open, 0)) {
            // Known only once its float is read.
            index.transparency[currentEffect].factorKnown = false;
        } else if (!currentEffect.empty() && tag.name == "float" && parent == "transparency" &&
                   inCommonShading(open, 1)) {
            ColladaTransparency& transparency = index.transparency[currentEffect];
            transparency.factorKnown =
                readFloats(reader.characterData(numbersLength), &transparency.factor, 1) == 1;
        }
        if (!tag.selfClosing)
            open.push_back(tag.name);
    }
    return index;
}
