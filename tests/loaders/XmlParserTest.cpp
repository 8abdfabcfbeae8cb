#include "loaders/XmlParser.h"
#include "app/Globals.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace
{

// Records what the parser hands to a content handler.
class RecordingHandler : public xercesc::DefaultHandler
{
  public:
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override
    {
        elements.push_back(transcode(qname));
        std::string value;
        if (findAttribute(attributes, "value", value))
            values.push_back(value);
        if (throwOn == elements.back())
            throw std::runtime_error("handler failure");
    }
    void characters(const XMLCh* const chars, const XMLSize_t length) override
    {
        text += transcode(std::u16string(chars, length).c_str());
    }

    std::vector<std::string> elements;
    std::vector<std::string> values;
    std::string text;
    std::string throwOn;
};

// Points the data directory somewhere for one test and puts the old value back.
class DataDirectory
{
  public:
    explicit DataDirectory(const std::string& directory) : saved(baseDirectory) { baseDirectory = directory; }
    ~DataDirectory() { baseDirectory = saved; }

  private:
    std::string saved;
};

} // namespace

TEST(XmlParser, ReadsADocumentAndConvertsTextToUtf8)
{
    ScratchFolder data;
    DataDirectory directory(data.path());
    // Backslash separators in the data path are mapped when the file is opened.
    data.write("levels/one.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<root><a value=\"Z\xC3\xBCrich \xF0\x9F\x9B\xA9\"/><b>text &amp; more</b></root>");
    RecordingHandler handler;
    std::ostringstream messages;
    EXPECT_EQ(parseXmlFile(data.path() + "levels\\one.xml", handler, messages), XmlParseResult::completed);
    EXPECT_EQ(messages.str(), "");
    EXPECT_EQ(handler.elements, (std::vector<std::string>{"root", "a", "b"}));
    ASSERT_EQ(handler.values.size(), 1u);
    EXPECT_EQ(handler.values[0], "Z\xC3\xBCrich \xF0\x9F\x9B\xA9") << "umlaut and a character beyond 16 bits";
    EXPECT_EQ(handler.text, "text & more");
}

TEST(XmlParser, ReportsFailuresOnTheGivenStreamAndKeepsWhatWasRead)
{
    ScratchFolder data;
    DataDirectory directory(data.path());
    std::ostringstream messages;

    data.write("broken.xml", "<root><a/><b></root>");
    RecordingHandler broken;
    EXPECT_EQ(parseXmlFile(data.path() + "broken.xml", broken, messages), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.str().rfind("Sax Parse Exception: ", 0), 0u) << messages.str();
    EXPECT_EQ(messages.str().back(), '\n');
    EXPECT_EQ(broken.elements, (std::vector<std::string>{"root", "a", "b"}));

    messages.str("");
    RecordingHandler missing;
    EXPECT_EQ(parseXmlFile(data.path() + "levels\\absent.xml", missing, messages),
              XmlParseResult::parseFailed);
    EXPECT_EQ(messages.str().rfind("Sax Parse Exception: unable to open", 0), 0u) << messages.str();
    EXPECT_NE(messages.str().find("levels/absent.xml"), std::string::npos) << "names the file";

    messages.str("");
    data.write("good.xml", "<root><a/><b/><c/></root>");
    RecordingHandler throwing;
    throwing.throwOn = "b";
    EXPECT_EQ(parseXmlFile(data.path() + "good.xml", throwing, messages), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.str(), "Unexpected Exception while parsing xml\n");

    // The platform was terminated after each failure and a new parse works.
    messages.str("");
    RecordingHandler again;
    EXPECT_EQ(parseXmlFile(data.path() + "good.xml", again, messages), XmlParseResult::completed);
    EXPECT_EQ(again.elements.size(), 4u);
}

TEST(XmlParser, ReadsExternalEntitiesOnlyFromInsideTheDataDirectory)
{
    ScratchFolder data;
    ScratchFolder elsewhere;
    DataDirectory directory(data.path());
    const std::string secret = elsewhere.write("secret.txt", "SECRET-OUTSIDE");
    data.write("levels/shared.txt", "INSIDE-TEXT");
    data.write("levels/entities.xml", "<!DOCTYPE root [\n"
                                      "  <!ENTITY inside SYSTEM \"shared.txt\">\n"
                                      "  <!ENTITY absolute SYSTEM \"" +
                                          secret +
                                          "\">\n"
                                          "  <!ENTITY url SYSTEM \"file://" +
                                          secret +
                                          "\">\n"
                                          "  <!ENTITY climb SYSTEM \"../../" +
                                          elsewhere.path().substr(1) +
                                          "secret.txt\">\n"
                                          "  <!ENTITY web SYSTEM \"http://127.0.0.1:9/secret.txt\">\n"
                                          "]>\n"
                                          "<root>[&inside;][&absolute;][&url;][&climb;][&web;]</root>");

    RecordingHandler handler;
    std::ostringstream messages;
    testing::internal::CaptureStderr();
    const XmlParseResult result = parseXmlFile(data.path() + "levels\\entities.xml", handler, messages);
    const std::string refusals = testing::internal::GetCapturedStderr();

    EXPECT_EQ(result, XmlParseResult::completed) << messages.str();
    EXPECT_EQ(handler.text, "[INSIDE-TEXT][][][][]");
    EXPECT_EQ(handler.text.find("SECRET"), std::string::npos);
    for (const char* reference : {"file://", "../../", "http://127.0.0.1:9/secret.txt"})
        EXPECT_NE(refusals.find(std::string("couldn't read external entity \"") + reference),
                  std::string::npos)
            << reference << " in:\n"
            << refusals;
    EXPECT_NE(refusals.find("entities.xml"), std::string::npos) << "names the referring file";
    EXPECT_EQ(refusals.find("shared.txt"), std::string::npos) << "the file inside is read without a message";
}

TEST(XmlParser, RefusesAnExternalDtdFromOutsideTheDataDirectory)
{
    ScratchFolder data;
    ScratchFolder elsewhere;
    DataDirectory directory(data.path());
    const std::string dtd = elsewhere.write("evil.dtd", "<!ENTITY leak \"LEAKED\">");
    data.write("doc.xml", "<!DOCTYPE root SYSTEM \"" + dtd + "\">\n<root>x</root>");

    RecordingHandler handler;
    std::ostringstream messages;
    testing::internal::CaptureStderr();
#if defined(__SANITIZE_ADDRESS__)
    // Xerces 3.2 itself loses a few bytes for every document with an external DTD, with or without
    // an entity resolver; that is not what this test is about.
    __lsan_disable();
#endif
    parseXmlFile(data.path() + "doc.xml", handler, messages);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    const std::string refusals = testing::internal::GetCapturedStderr();
    EXPECT_NE(refusals.find("evil.dtd"), std::string::npos) << refusals;
    EXPECT_EQ(handler.text, "x");

    // Without a data directory nothing external is read at all.
    DataDirectory none("");
    data.write("local.txt", "LOCAL");
    data.write("doc2.xml", "<!DOCTYPE root [<!ENTITY e SYSTEM \"local.txt\">]><root>&e;</root>");
    RecordingHandler second;
    testing::internal::CaptureStderr();
    parseXmlFile(data.path() + "doc2.xml", second, messages);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(second.text, "");
}

TEST(XmlParser, StopsABillionLaughsDocumentWithAMessage)
{
    ScratchFolder data;
    DataDirectory directory(data.path());
    std::string document = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        document += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            document += "&lol" + std::to_string(level - 1) + ";";
        document += "\">\n";
    }
    document += "]>\n<lolz>&lol9;</lolz>";
    data.write("laughs.xml", document);

    RecordingHandler handler;
    std::ostringstream messages;
    EXPECT_EQ(parseXmlFile(data.path() + "laughs.xml", handler, messages), XmlParseResult::parseFailed);
    EXPECT_EQ(messages.str().rfind("Sax Parse Exception: ", 0), 0u) << messages.str();
    EXPECT_LT(handler.text.size(), 3 * xmlEntityExpansionLimit + 1) << "stopped near the limit";

    // A document that uses entities moderately is read in full.
    std::string modest = "<!DOCTYPE r [<!ENTITY a \"ab\">]><r>";
    for (int i = 0; i < 500; ++i)
        modest += "&a;&amp;";
    data.write("modest.xml", modest + "</r>");
    RecordingHandler second;
    messages.str("");
    EXPECT_EQ(parseXmlFile(data.path() + "modest.xml", second, messages), XmlParseResult::completed)
        << messages.str();
    EXPECT_EQ(second.text.size(), 1500u);
}
