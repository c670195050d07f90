// XMLParser: an event-driven XML parser over expat, in the manner of the platform's XML
// parser: the delegate hears the document's start, each element's start and end, the
// character data between, and the document's end.
//
// Hostile input is refused rather than expanded: a document that declares any entity
// (internal or external, general or parameter) stops the parse with an error, so neither
// external files nor entity-expansion bombs are ever read or expanded; documents larger
// than the size limit or nested deeper than the depth limit are refused too. Namespace
// processing is off: names arrive as written, prefixes included. On an error the parse
// stops, the delegate hears no document end, and parserError() says why.
//
// One parser parses once. Not thread-safe; the delegate is not owned.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace kestrel::net {

class XMLParser;

struct XMLElementStart {
  std::string name;
  std::map<std::string, std::string> attributes;
};

struct XMLElementEnd {
  std::string name;
};

class XMLParserDelegate {
 public:
  virtual ~XMLParserDelegate() = default;
  virtual void parserDidStartDocument(XMLParser& parser) {}
  virtual void parser(XMLParser& parser, const XMLElementStart& didStartElement) {}
  virtual void parser(XMLParser& parser, std::string_view foundCharacters) {}
  virtual void parser(XMLParser& parser, const XMLElementEnd& didEndElement) {}
  virtual void parserDidEndDocument(XMLParser& parser) {}
};

class XMLParser {
 public:
  static constexpr size_t kDefaultMaxBytes = 4 << 20;
  static constexpr size_t kDefaultMaxDepth = 256;

  explicit XMLParser(std::string_view data, size_t maxBytes = kDefaultMaxBytes, size_t maxDepth = kDefaultMaxDepth);

  void setDelegate(XMLParserDelegate* delegate) { delegate_ = delegate; }
  // True when the whole document parsed without error.
  bool parse();
  // Empty unless parse() failed.
  const std::string& parserError() const { return error_; }

 private:
  struct Callbacks;

  std::string_view data_;
  size_t maxBytes_;
  size_t maxDepth_;
  size_t depth_ = 0;
  XMLParserDelegate* delegate_ = nullptr;
  std::string error_;
  bool parsed_ = false;
  XML_ParserStruct* expat_ = nullptr;  // during parse() only
};

}  // namespace kestrel::net
