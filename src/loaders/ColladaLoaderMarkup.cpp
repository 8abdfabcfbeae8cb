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

    // The character data after the tag just read, up to the next markup.
    std::pair<const char*, const char*> characterRange() const
    {
        const size_t end = std::min(this->text.find('<', position), this->text.size());
        const size_t start = std::min(position, end);
        return {this->text.data() + start, this->text.data() + end};
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

// The id an URL attribute such as "#positions" points at, "" when it points elsewhere.
std::string localTarget(const std::string& url)
{
    return !url.empty() && url[0] == '#' ? url.substr(1) : "";
}

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

namespace
{

// Counts beyond this are not numbers of a model file (and keep every product below 2^64).
constexpr uint64_t maxCount = uint64_t(1) << 31;

// A non-negative whole number of at most maxCount; false for anything else.
bool parseCount(const std::string& text, uint64_t& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && isSpace(*begin))
        ++begin;
    while (end > begin && isSpace(end[-1]))
        --end;
    const auto [next, error] = std::from_chars(begin, end, value);
    return begin < end && error == std::errc() && next == end && value <= maxCount;
}

// Reads an attribute that must be a count; `fallback` when absent. False when it is no count.
bool countAttribute(const Tag& tag, const char* name, uint64_t fallback, uint64_t& value)
{
    for (const auto& attribute : tag.attributes)
        if (attribute.first == name)
            return parseCount(attribute.second, value);
    value = fallback;
    return true;
}

bool hasAttribute(const Tag& tag, const char* name)
{
    for (const auto& attribute : tag.attributes)
        if (attribute.first == name)
            return true;
    return false;
}

size_t countWords(const char* at, const char* end)
{
    size_t words = 0;
    bool inWord = false;
    for (; at < end; ++at) {
        const bool space = isSpace(*at);
        if (!space && !inWord)
            ++words;
        inWord = !space;
    }
    return words;
}

// Calls `each` with every whole number in the text; false at the first word that is not one.
template <class Each> bool forEachIndex(const char* at, const char* end, Each each)
{
    while (at < end) {
        while (at < end && isSpace(*at))
            ++at;
        if (at == end)
            break;
        uint64_t value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || (next < end && !isSpace(*next)))
            return false;
        each(value);
        at = next;
    }
    return true;
}

bool isArray(const std::string& name)
{
    return name == "float_array" || name == "int_array" || name == "bool_array" || name == "Name_array" ||
           name == "IDREF_array" || name == "SIDREF_array" || name == "token_array";
}

bool isPrimitive(const std::string& name)
{
    return name == "triangles" || name == "polylist" || name == "polygons" || name == "lines" ||
           name == "linestrips" || name == "trifans" || name == "tristrips";
}

struct Accessor {
    std::string array;
    uint64_t count, stride, offset;
    uint64_t params = 0; // values read per element
};

struct PrimitiveInput {
    std::string source; // id of a source or of a vertices element
    uint64_t offset;
};

struct Primitive {
    std::string kind;
    uint64_t count = 0;
    std::vector<PrimitiveInput> inputs;
    uint64_t stride = 0;                // inputs per vertex, known at the first <p>
    std::vector<uint64_t> highestIndex; // per offset, plus one (0: none seen)
    uint64_t indices = 0;
    uint64_t lists = 0; // <p> elements
    uint64_t vcounts = 0, vcountSum = 0;
};

class MarkupChecker
{
  public:
    std::string run(const std::string& document)
    {
        MarkupReader reader(document);
        std::vector<std::string> open;
        std::string currentSource; // id of the innermost open source
        std::string currentVertices;
        bool inPrimitive = false;
        Tag tag;
        while (problem.empty() && reader.next(tag)) {
            if (tag.closing) {
                for (size_t k = open.size(); k-- > 0;) {
                    if (open[k] == tag.name) {
                        open.resize(k);
                        break;
                    }
                }
                if (tag.name == "source")
                    currentSource.clear();
                else if (tag.name == "vertices")
                    currentVertices.clear();
                else if (isPrimitive(tag.name))
                    inPrimitive = false;
                continue;
            }
            const std::string parent = open.empty() ? "" : open.back();
            if (isArray(tag.name)) {
                readArray(tag, reader);
            } else if (tag.name == "source") {
                currentSource = attributeOf(tag, "id");
            } else if (tag.name == "accessor" && !currentSource.empty()) {
                readAccessor(tag, currentSource);
            } else if (tag.name == "param" && parent == "accessor" && accessors.count(currentSource)) {
                ++accessors[currentSource].params;
            } else if (tag.name == "vertices") {
                currentVertices = attributeOf(tag, "id");
            } else if (tag.name == "input" && parent == "vertices" && !currentVertices.empty()) {
                vertices[currentVertices].push_back(localTarget(attributeOf(tag, "source")));
            } else if (isPrimitive(tag.name)) {
                primitives.emplace_back();
                primitives.back().kind = tag.name;
                if (!countAttribute(tag, "count", 0, primitives.back().count))
                    fail("a " + tag.name + " has a count that is not a number");
                inPrimitive = !tag.selfClosing;
            } else if (inPrimitive && tag.name == "input" && isPrimitive(parent)) {
                PrimitiveInput input{localTarget(attributeOf(tag, "source")), 0};
                if (!countAttribute(tag, "offset", 0, input.offset) || input.offset > 255)
                    fail("an input of a " + parent + " has an offset out of range");
                primitives.back().inputs.push_back(input);
            } else if (inPrimitive && tag.name == "p") {
                readIndices(reader);
            } else if (inPrimitive && tag.name == "vcount") {
                Primitive& primitive = primitives.back();
                const auto [at, end] = reader.characterRange();
                if (!forEachIndex(at, end, [&](uint64_t n) {
                        ++primitive.vcounts;
                        primitive.vcountSum += std::min(n, maxCount);
                    }))
                    fail("a vcount holds something other than numbers");
            }
            if (!tag.selfClosing)
                open.push_back(tag.name);
        }
        if (problem.empty())
            checkReferences();
        return problem;
    }

  private:
    void fail(const std::string& reason)
    {
        if (problem.empty())
            problem = reason;
    }

    void readArray(const Tag& tag, const MarkupReader& reader)
    {
        const std::string id = attributeOf(tag, "id");
        uint64_t count = 0;
        if (!hasAttribute(tag, "count")) {
            fail("the " + tag.name + " " + id + " has no count");
            return;
        }
        if (!countAttribute(tag, "count", 0, count)) {
            fail("the count of the " + tag.name + " " + id + " is not a number");
            return;
        }
        const auto [at, end] = reader.characterRange();
        const size_t values = tag.selfClosing ? 0 : countWords(at, end);
        if (values < count)
            fail("the " + tag.name + " " + id + " holds " + std::to_string(values) + " values, not " +
                 std::to_string(count));
        else if (!id.empty())
            arrays[id] = count;
    }

    void readAccessor(const Tag& tag, const std::string& source)
    {
        Accessor accessor{localTarget(attributeOf(tag, "source")), 0, 1, 0};
        if (!hasAttribute(tag, "count") || !countAttribute(tag, "count", 0, accessor.count) ||
            !countAttribute(tag, "stride", 1, accessor.stride) ||
            !countAttribute(tag, "offset", 0, accessor.offset) || accessor.stride == 0) {
            fail("the accessor of source " + source + " has a missing or bad count, stride or offset");
            return;
        }
        accessors.emplace(source, accessor);
    }

    void readIndices(const MarkupReader& reader)
    {
        Primitive& primitive = primitives.back();
        if (primitive.stride == 0) {
            for (const PrimitiveInput& input : primitive.inputs)
                primitive.stride = std::max(primitive.stride, input.offset + 1);
            if (primitive.stride == 0) {
                fail("a " + primitive.kind + " lists indices before its inputs");
                return;
            }
            primitive.highestIndex.assign(primitive.stride, 0);
        }
        ++primitive.lists;
        uint64_t position = 0;
        const auto [at, end] = reader.characterRange();
        const bool numbers = forEachIndex(at, end, [&](uint64_t index) {
            uint64_t& highest = primitive.highestIndex[position];
            highest = std::max(highest, std::min(index, maxCount) + 1);
            position = position + 1 == primitive.stride ? 0 : position + 1;
            ++primitive.indices;
        });
        if (!numbers)
            fail("the indices of a " + primitive.kind + " hold something other than numbers");
    }

    // How many elements the source with id `id` offers; false when the document does not say.
    bool elementsOf(const std::string& id, uint64_t& count) const
    {
        const auto accessor = accessors.find(id);
        if (accessor == accessors.end())
            return false;
        count = accessor->second.count;
        return true;
    }

    void checkReferences()
    {
        for (const auto& [source, accessor] : accessors) {
            const auto array = arrays.find(accessor.array);
            // The last element starts (count - 1) strides in and reads a value per parameter (at
            // least one); a stride may hold more values than are read.
            const uint64_t end = accessor.count == 0
                                     ? 0
                                     : accessor.offset + (accessor.count - 1) * accessor.stride +
                                           std::max<uint64_t>(accessor.params, 1);
            if (array != arrays.end() && end > array->second)
                fail("the accessor of source " + source + " reaches past the end of its array " +
                     accessor.array);
        }
        for (const Primitive& primitive : primitives) {
            const uint64_t stride = std::max<uint64_t>(primitive.stride, 1);
            const uint64_t points = primitive.indices / stride;
            bool enough = true;
            if (primitive.kind == "triangles")
                enough = primitive.count * 3 <= points;
            else if (primitive.kind == "lines")
                enough = primitive.count * 2 <= points;
            else if (primitive.kind == "polylist")
                enough = primitive.count <= primitive.vcounts && primitive.vcountSum <= points;
            else
                enough = primitive.count <= primitive.lists;
            if (!enough)
                fail("a " + primitive.kind + " holds fewer indices than its count promises");
            for (const PrimitiveInput& input : primitive.inputs) {
                const uint64_t highest =
                    input.offset < primitive.highestIndex.size() ? primitive.highestIndex[input.offset] : 0;
                if (highest == 0)
                    continue;
                std::vector<std::string> sources{input.source};
                const auto shared = vertices.find(input.source);
                if (shared != vertices.end())
                    sources = shared->second;
                for (const std::string& source : sources) {
                    uint64_t count = 0;
                    if (elementsOf(source, count) && highest > count)
                        fail("an index of a " + primitive.kind + " reaches past the end of source " + source);
                }
            }
        }
    }

    std::string problem;
    std::map<std::string, uint64_t> arrays;                   // array id -> its count
    std::map<std::string, Accessor> accessors;                // source id -> its accessor
    std::map<std::string, std::vector<std::string>> vertices; // vertices id -> the sources of its inputs
    std::vector<Primitive> primitives;
};

} // namespace

std::string checkColladaMarkup(const std::string& document)
{
    return MarkupChecker().run(document);
}
