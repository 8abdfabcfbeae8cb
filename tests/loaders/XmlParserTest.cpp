#include "loaders/XmlParser.h"
#include "render/Globals.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <sstream>

namespace
{

// The data directory is a scratch directory for the length of a test. The test is the parse's
// content handler: it records the elements as "<name>", their "value" attributes as "{value}" and
// the text.
class XmlParser : public ::testing::Test, public xercesc::DefaultHandler
{
  protected:
    XmlParser() : saved(baseDirectory) { baseDirectory = data.path(); }
    ~XmlParser() override { baseDirectory = saved; }

    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override
    {
        std::string value;
        text += "<" + transcode(qname) + ">" +
                (findAttribute(attributes, "value", value) ? "{" + value + "}" : "");
    }
    void characters(const XMLCh* const chars, const XMLSize_t length) override
    {
        text += transcode(std::u16string(chars, length).c_str());
    }

    // Parses the data file `name`; the parse messages land in `messages`, standard error in `refusals`.
    XmlParseResult parse(const std::string& name)
    {
        text.clear();
        std::ostringstream stream;
        testing::internal::CaptureStderr();
        const XmlParseResult result = parseXmlFile(data.path() + name, *this, stream);
        refusals = testing::internal::GetCapturedStderr();
        messages = stream.str();
        return result;
    }

    testsupport::ScratchDirectory data;
    std::string saved, text, messages, refusals;
};

} // namespace

TEST_F(XmlParser, ReadsUtf8AndReportsFailuresOnTheGivenStream)
{
    // Backslash separators in the data path are mapped when the file is opened.
    data.write("levels/one.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<r><a value=\"Z\xC3\xBCrich \xF0\x9F\x9B\xA9\"/>text &amp; more</r>");
    EXPECT_EQ(parse("levels\\one.xml"), XmlParseResult::completed);
    EXPECT_EQ(messages + refusals, "");
    EXPECT_EQ(text, "<r><a>{Z\xC3\xBCrich \xF0\x9F\x9B\xA9}text & more") << "a character beyond 16 bits too";

    data.write("broken.xml", "<r><a/><b></r>");
    EXPECT_EQ(parse("broken.xml"), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.rfind("Sax Parse Exception: ", 0), 0u) << messages;
    EXPECT_EQ(text, "<r><a><b>") << "what was read stays";

    EXPECT_EQ(parse("levels\\absent.xml"), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.rfind("Sax Parse Exception: unable to open", 0), 0u) << messages;
    EXPECT_NE(messages.find("levels/absent.xml"), std::string::npos) << "names the file";

    // The platform was terminated after each failure, and a new parse works.
    EXPECT_EQ(parse("levels\\one.xml"), XmlParseResult::completed);
}

TEST_F(XmlParser, ReadsExternalEntitiesAndDtdsOnlyFromInsideTheDataDirectory)
{
    testsupport::ScratchDirectory elsewhere;
    const std::string secret = elsewhere.write("secret.txt", "SECRET");
    const std::string dtd = elsewhere.write("evil.dtd", "<!ENTITY leak \"LEAKED\">");
    const std::string climb = "../../" + elsewhere.path().substr(1) + "secret.txt";
    data.write("levels/shared.txt", "INSIDE");
    data.write("levels/entities.xml",
               "<!DOCTYPE r SYSTEM \"" + dtd + "\" [<!ENTITY in SYSTEM \"shared.txt\">" +
                   "<!ENTITY abs SYSTEM \"" + secret + "\"><!ENTITY url SYSTEM \"file://" + secret +
                   "\"><!ENTITY climb SYSTEM \"" + climb +
                   "\"><!ENTITY web SYSTEM \"http://127.0.0.1:9/x\">]>\n" +
                   "<r>[&in;][&abs;][&url;][&climb;][&web;]</r>");
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable(); // Xerces itself loses a few bytes for every document with an external DTD
#endif
    EXPECT_EQ(parse("levels\\entities.xml"), XmlParseResult::completed) << messages;
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    EXPECT_EQ(text, "<r>[INSIDE][][][][]");
    for (const std::string& refused :
         {dtd, secret, "file://" + secret, climb, std::string("http://127.0.0.1:9/x")})
        EXPECT_NE(refusals.find("couldn't read external entity \"" + refused + "\""), std::string::npos)
            << refusals;
    EXPECT_NE(refusals.find("entities.xml"), std::string::npos) << "names the referring file";
    EXPECT_EQ(refusals.find("shared.txt"), std::string::npos) << "the file inside is read without a message";
}

TEST_F(XmlParser, StopsABillionLaughsDocumentWithAMessage)
{
    std::string laughs = "<!DOCTYPE r [<!ENTITY l0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        laughs += "<!ENTITY l" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            laughs += "&l" + std::to_string(level - 1) + ";";
        laughs += "\">";
    }
    data.write("laughs.xml", laughs + "]><r>&l9;</r>");
    EXPECT_EQ(parse("laughs.xml"), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.rfind("Sax Parse Exception: ", 0), 0u) << messages;
    EXPECT_LT(text.size(), 3 * xmlEntityExpansionLimit + 10) << "stopped near the limit";
}
