#include "loaders/XmlParser.h"

#include "render/Globals.h"
#include "platform/DataPath.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

using namespace xercesc;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Text conversion
// ---------------------------------------------------------------------------------------------

namespace
{

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// UTF-8 to the parser's UTF-16; bytes that are not UTF-8 become U+FFFD.
std::u16string toXml(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 0;
        char32_t code = length == 1   ? lead
                        : length == 2 ? lead & 0x1F
                        : length == 3 ? lead & 0x0F
                                      : lead & 0x07;
        bool valid = length > 0 && i + size_t(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + size_t(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            out += u'\uFFFD';
            i += 1;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += char16_t(0xD800 + (code >> 10));
            out += char16_t(0xDC00 + (code & 0x3FF));
        } else {
            out += char16_t(code);
        }
        i += size_t(length);
    }
    return out;
}

} // namespace

std::string transcode(const XMLCh* text)
{
    std::string out;
    if (!text)
        return out;
    for (const XMLCh* p = text; *p; ++p) {
        char32_t code = *p;
        if (code >= 0xD800 && code < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (char32_t(p[1]) - 0xDC00);
            ++p;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD; // an unpaired surrogate
        }
        appendUtf8(out, code);
    }
    return out;
}

bool findAttribute(const Attributes& attributes, const char* name, std::string& value)
{
    const std::u16string key = toXml(name);
    const XMLCh* found = attributes.getValue(key.c_str());
    if (!found)
        return false;
    value = transcode(found);
    return true;
}

std::string readAttribute(const Attributes& attributes, const char* name)
{
    std::string value;
    if (!findAttribute(attributes, name, value))
        std::cerr << "couldn't parse attribute " << name << "\n";
    return value;
}

void reportParseProblem(std::ostream& out, const char* kind, const SAXParseException& problem)
{
    out << kind << transcode(problem.getMessage()) << " at line: " << problem.getLineNumber() << "\n"
        << std::flush;
}

// ---------------------------------------------------------------------------------------------
// External entities: only local files inside the data directory
// ---------------------------------------------------------------------------------------------

namespace
{

// "http:", "file:", "ftp:" ... : a URI scheme rather than a file name.
bool hasScheme(const std::string& reference)
{
    const size_t colon = reference.find(':');
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(reference[0])))
        return false;
    return std::all_of(reference.begin(), reference.begin() + std::ptrdiff_t(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

class ConfinedEntityResolver : public XMLEntityResolver
{
  public:
    ConfinedEntityResolver()
    {
        std::error_code error;
        if (!baseDirectory.empty())
            root = fs::canonical(platform::nativePath(baseDirectory), error);
        if (error)
            root.clear();
    }

    InputSource* resolveEntity(XMLResourceIdentifier* resource) override
    {
        const std::string systemId = transcode(resource->getSystemId());
        const std::string referrer = transcode(resource->getBaseURI());
        if (const std::optional<fs::path> file = localFileInside(systemId, referrer))
            return new LocalFileInputSource(toXml(file->string()).c_str());
        std::cerr << "couldn't read external entity \"" << systemId << "\" referenced in \""
                  << (referrer.empty() ? std::string("?") : referrer)
                  << "\": only files inside the data directory are read\n";
        static const XMLByte nothing[1] = {0};
        return new MemBufInputSource(nothing, 0, resource->getSystemId(), false);
    }

  private:
    // The canonical file that `reference`, written in the document `referrer`, names, when that is
    // an existing regular file inside the data directory.
    std::optional<fs::path> localFileInside(const std::string& reference, std::string referrer) const
    {
        if (root.empty() || reference.empty() || hasScheme(reference))
            return std::nullopt;
        fs::path candidate(platform::nativePath(reference));
        if (candidate.is_relative()) {
            if (referrer.compare(0, 7, "file://") == 0)
                referrer.erase(0, 7);
            if (referrer.empty() || hasScheme(referrer))
                return std::nullopt;
            candidate = fs::path(referrer).parent_path() / candidate;
        }
        std::error_code error;
        const fs::path file = fs::canonical(candidate, error);
        if (error || !fs::is_regular_file(file, error))
            return std::nullopt;
        if (std::mismatch(root.begin(), root.end(), file.begin(), file.end()).first != root.end())
            return std::nullopt;
        return file;
    }

    fs::path root; // canonical data directory; empty refuses every external entity
};

// Without an error handler this reader would skip a fatal error silently and report the broken
// document as read. Fatal errors (malformed XML, a missing file, too many entity expansions) end
// the parse with the exception; warnings and validation errors are ignored, since our files carry
// no grammar to validate against.
class FatalErrorThrower : public ErrorHandler
{
  public:
    void warning(const SAXParseException&) override {}
    void error(const SAXParseException&) override {}
    void fatalError(const SAXParseException& problem) override { throw problem; }
    void resetErrors() override {}
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The parse
// ---------------------------------------------------------------------------------------------

XmlParseResult parseXmlFile(const std::string& path, DefaultHandler& handler, std::ostream& parseMessages)
{
    try {
        XMLPlatformUtils::Initialize();
    } catch (const XMLException& failure) {
        std::cerr << "couldn't initialize xerces\n" << transcode(failure.getMessage()) << "\n";
        return XmlParseResult::platformFailed;
    }

    XmlParseResult result = XmlParseResult::completed;
    {
        // Declared before the reader, so that they outlive it.
        ConfinedEntityResolver resolver;
        FatalErrorThrower errors;
        SecurityManager security;
        security.setEntityExpansionLimit(xmlEntityExpansionLimit);
        try {
            std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
            reader->setFeature(XMLUni::fgSAX2CoreValidation, true);
            reader->setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
            reader->setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
            reader->setProperty(XMLUni::fgXercesSecurityManager, &security);
            if (auto* impl = dynamic_cast<SAX2XMLReaderImpl*>(reader.get()))
                impl->setXMLEntityResolver(&resolver);
            else
                throw std::runtime_error("the SAX2 reader cannot take an entity resolver");
            reader->setContentHandler(&handler);
            reader->setErrorHandler(&errors);

            const std::u16string file = toXml(platform::nativePath(path));
            const LocalFileInputSource source(file.c_str());
            reader->parse(source);
        } catch (const XMLException& failure) {
            parseMessages << "XML Exception: " << transcode(failure.getMessage()) << "\n" << std::flush;
            result = XmlParseResult::parseFailed;
        } catch (const SAXParseException& failure) {
            parseMessages << "Sax Parse Exception: " << transcode(failure.getMessage()) << "\n" << std::flush;
            result = XmlParseResult::parseFailed;
        } catch (...) {
            parseMessages << "Unexpected Exception while parsing xml\n" << std::flush;
            result = XmlParseResult::parseFailed;
        }
    }
    XMLPlatformUtils::Terminate();
    return result;
}
