#include "loaders/XmlParser.h"
#include "app/Globals.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <sstream>
#include <stdexcept>
#include <vector>

namespace
{

// Records the elements, the "value" attributes and the text the parser hands over.
class RecordingHandler : public xercesc::DefaultHandler
{
  public:
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override
    {
        elements.push_back(transcode(qname));
        std::string value;
        if (findAttribute(attributes, "value", value))
            text += "{" + value + "}";
        if (throwOn == elements.back())
            throw std::runtime_error("handler failure");
    }
    void characters(const XMLCh* const chars, const XMLSize_t length) override
    {
        text += transcode(std::u16string(chars, length).c_str());
    }

    std::vector<std::string> elements;
    std::string text;
    std::string throwOn;
};

// The data directory is a scratch directory for the length of a test.
class XmlParser : public ::testing::Test
{
  protected:
    XmlParser() : saved(baseDirectory) { baseDirectory = data.path(); }
    ~XmlParser() override { baseDirectory = saved; }

    // Parses the data file `name`; the parse messages land in `messages`, standard error in `refusals`.
    XmlParseResult parse(const std::string& name, RecordingHandler& handler)
    {
        std::ostringstream stream;
        testing::internal::CaptureStderr();
        const XmlParseResult result = parseXmlFile(data.path() + name, handler, stream);
        refusals = testing::internal::GetCapturedStderr();
        messages = stream.str();
        return result;
    }

    testsupport::ScratchDirectory data;
    std::string saved, messages, refusals;
};

} // namespace

TEST_F(XmlParser, ReadsUtf8AndReportsFailuresOnTheGivenStream)
{
    // Backslash separators in the data path are mapped when the file is opened.
    data.write("levels/one.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<root><a value=\"Z\xC3\xBCrich \xF0\x9F\x9B\xA9\"/><b>text &amp; more</b></root>");
    RecordingHandler good;
    EXPECT_EQ(parse("levels\\one.xml", good), XmlParseResult::completed);
    EXPECT_EQ(messages + refusals, "");
    EXPECT_EQ(good.text, "{Z\xC3\xBCrich \xF0\x9F\x9B\xA9}text & more") << "a character beyond 16 bits too";

    data.write("broken.xml", "<root><a/><b></root>");
    RecordingHandler broken;
    EXPECT_EQ(parse("broken.xml", broken), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.rfind("Sax Parse Exception: ", 0), 0u) << messages;
    EXPECT_EQ(broken.elements, (std::vector<std::string>{"root", "a", "b"})) << "what was read stays";

    RecordingHandler missing;
    EXPECT_EQ(parse("levels\\absent.xml", missing), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.rfind("Sax Parse Exception: unable to open", 0), 0u) << messages;
    EXPECT_NE(messages.find("levels/absent.xml"), std::string::npos) << "names the file";

    RecordingHandler throwing;
    throwing.throwOn = "a";
    EXPECT_EQ(parse("levels\\one.xml", throwing), XmlParseResult::parseFailed);
    EXPECT_EQ(messages, "Unexpected Exception while parsing xml\n");
    // The platform was terminated after each failure, and a new parse works.
    EXPECT_EQ(parse("levels\\one.xml", good), XmlParseResult::completed);
}

TEST_F(XmlParser, ReadsExternalEntitiesAndDtdsOnlyFromInsideTheDataDirectory)
{
    testsupport::ScratchDirectory elsewhere;
    const std::string secret = elsewhere.write("secret.txt", "SECRET");
    const std::string dtd = elsewhere.write("evil.dtd", "<!ENTITY leak \"LEAKED\">");
    data.write("levels/shared.txt", "INSIDE");
    data.write("levels/entities.xml",
               "<!DOCTYPE root SYSTEM \"" + dtd + "\" [\n<!ENTITY inside SYSTEM \"shared.txt\">\n" +
                   "<!ENTITY absolute SYSTEM \"" + secret + "\">\n" + "<!ENTITY url SYSTEM \"file://" +
                   secret + "\">\n" + "<!ENTITY climb SYSTEM \"../../" + elsewhere.path().substr(1) +
                   "secret.txt\">\n<!ENTITY web SYSTEM \"http://127.0.0.1:9/x\">\n" +
                   "]>\n<root>[&inside;][&absolute;][&url;][&climb;][&web;]</root>");
    RecordingHandler handler;
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable(); // Xerces itself loses a few bytes for every document with an external DTD
#endif
    EXPECT_EQ(parse("levels\\entities.xml", handler), XmlParseResult::completed) << messages;
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    EXPECT_EQ(handler.text, "[INSIDE][][][][]");
    for (const std::string& reference :
         {dtd, secret, std::string("file://"), std::string("../../"), std::string("http://127.0.0.1:9/x")})
        EXPECT_NE(refusals.find("couldn't read external entity \"" + reference), std::string::npos)
            << reference << " in:\n"
            << refusals;
    EXPECT_NE(refusals.find("entities.xml"), std::string::npos) << "names the referring file";
    EXPECT_EQ(refusals.find("shared.txt"), std::string::npos) << "the file inside is read without a message";
}

TEST_F(XmlParser, StopsABillionLaughsDocumentButReadsModestEntityUse)
{
    std::string document = "<!DOCTYPE lolz [\n<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        document += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            document += "&lol" + std::to_string(level - 1) + ";";
        document += "\">\n";
    }
    data.write("laughs.xml", document + "]>\n<lolz>&lol9;</lolz>");
    RecordingHandler laughs;
    EXPECT_EQ(parse("laughs.xml", laughs), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.rfind("Sax Parse Exception: ", 0), 0u) << messages;
    EXPECT_LT(laughs.text.size(), 3 * xmlEntityExpansionLimit + 1) << "stopped near the limit";

    std::string modest = "<!DOCTYPE r [<!ENTITY a \"ab\">]><r>";
    for (int i = 0; i < 500; ++i)
        modest += "&a;&amp;";
    data.write("modest.xml", modest + "</r>");
    RecordingHandler second;
    EXPECT_EQ(parse("modest.xml", second), XmlParseResult::completed) << messages;
    EXPECT_EQ(second.text.size(), 1500u);
}
