#include "platform/net/XMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrel::net;

namespace {

struct Events : XMLParserDelegate {
  std::vector<std::string> seen;
  void parserDidStartDocument(XMLParser&) override { seen.push_back("start"); }
  void parser(XMLParser&, const XMLElementStart& element) override {
    std::string text = "<" + element.name;
    for (const auto& [name, value] : element.attributes) text += " " + name + "=" + value;
    seen.push_back(text + ">");
  }
  void parser(XMLParser&, std::string_view characters) override {
    if (!seen.empty() && seen.back().front() == '"') {
      seen.back().insert(seen.back().size() - 1, characters);
    } else {
      seen.push_back("\"" + std::string(characters) + "\"");
    }
  }
  void parser(XMLParser&, const XMLElementEnd& element) override { seen.push_back("</" + element.name + ">"); }
  void parserDidEndDocument(XMLParser&) override { seen.push_back("end"); }
  std::string joined() const {
    std::string out;
    for (const auto& s : seen) out += s;
    return out;
  }
};

std::string parse(const std::string& xml, bool expectOk, std::string* error = nullptr, size_t maxBytes = 1 << 20) {
  Events events;
  XMLParser parser(xml, maxBytes, 16);
  parser.setDelegate(&events);
  EXPECT_EQ(parser.parse(), expectOk) << parser.parserError();
  if (error) *error = parser.parserError();
  return events.joined();
}

}  // namespace

TEST(XMLParserTest, ReportsElementsAttributesAndTextInDocumentOrderWithPrefixesKept) {
  EXPECT_EQ(parse("<?xml version=\"1.0\"?><a x=\"1\"><b>t&amp;u</b><g:c/></a>", true),
            "start<a x=1><b>\"t&u\"</b><g:c></g:c></a>end");
}

TEST(XMLParserTest, RefusesDamagedOversizedAndDeeplyNestedDocuments) {
  std::string error;
  EXPECT_EQ(parse("not xml at all", false, &error), "start");
  EXPECT_FALSE(error.empty());
  parse("<a><b></a>", false, &error);
  EXPECT_NE(error.find("line 1"), std::string::npos) << error;
  EXPECT_EQ(parse("<a>" + std::string(2000, 'x') + "</a>", false, &error, 1000), "");
  EXPECT_NE(error.find("larger than 1000"), std::string::npos);
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "<d>";
  parse(deep, false, &error);
  EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;
}

TEST(XMLParserTest, NeverReadsExternalEntitiesNorExpandsDeclaredOnes) {
  std::string error;
  std::string external = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>";
  EXPECT_EQ(parse(external, false, &error).find("root:"), std::string::npos);
  EXPECT_NE(error.find("entity declarations are refused"), std::string::npos) << error;

  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) laughs += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
    laughs += "\">";
  }
  laughs += "]><lolz>&lol9;</lolz>";
  EXPECT_EQ(parse(laughs, false, &error), "start");
  EXPECT_NE(error.find("entity declarations are refused (lol)"), std::string::npos) << error;

  std::string parameter = "<!DOCTYPE r [<!ENTITY % p SYSTEM \"http://127.0.0.1:1/x.dtd\"> %p;]><r/>";
  parse(parameter, false, &error);
  EXPECT_NE(error.find("entity declarations are refused"), std::string::npos) << error;
}
