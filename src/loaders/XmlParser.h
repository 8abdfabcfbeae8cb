// The one XML parse driver behind the level catalogue, the scene files and the font description.
//
// Every parse initialises the Xerces platform, reads the file with a SAX2 reader (validation and
// namespaces on, the handler installed as content handler only) and terminates the platform again.
// The reader is hardened for files that level authors pass around: external DTDs, entities and
// schemas are read only when they are local files inside the data directory (`baseDirectory`),
// anything else (other folders, http:, file: URLs) is replaced by empty text with one message, and
// entity expansion is limited so that a "billion laughs" document stops with a parse exception.
#pragma once

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <cstddef>
#include <iosfwd>
#include <string>

enum class XmlParseResult {
    completed,      // the whole document was read
    platformFailed, // the XML platform could not be initialised; nothing was read
    parseFailed,    // an exception ended the parse; the handler keeps what it saw before it
};

// Most entity expansions one document may cause. Our files use none; a hand-written document with
// a few entities stays far below it.
constexpr std::size_t xmlEntityExpansionLimit = 10000;

// Parses the file at `path` (a data path: the data directory followed by a relative path with '\'
// separators) with `handler` as the content handler. The handler must not call Xerces in its
// constructor or destructor: the platform exists only during this call.
//
// A failed platform initialisation writes "couldn't initialize xerces" and the library's message on
// standard error. Exceptions that end the parse are written to `parseMessages` as
// "XML Exception: ...", "Sax Parse Exception: ..." or "Unexpected Exception while parsing xml".
// The reader is destroyed and the platform terminated in every case.
XmlParseResult parseXmlFile(const std::string& path, xercesc::DefaultHandler& handler,
                            std::ostream& parseMessages);

// `text` as UTF-8 ("" for null). Needs no XML platform, so it serves for every message.
std::string transcode(const XMLCh* text);

// Looks an attribute up by its qualified name; false (and `value` untouched) when it is absent.
bool findAttribute(const xercesc::Attributes& attributes, const char* name, std::string& value);

// The attribute's value; when it is absent, "couldn't parse attribute NAME" on standard error and
// the empty string (which atof and atoi read as 0).
std::string readAttribute(const xercesc::Attributes& attributes, const char* name);

// The line that a handler's warning, error and fatalError callbacks write: `kind` ("Warning: ",
// "Error: " or "Fatal Error: "), the exception's message, " at line: " and the line number.
void reportParseProblem(std::ostream& out, const char* kind, const xercesc::SAXParseException& problem);
