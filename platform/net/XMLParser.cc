#include "platform/net/XMLParser.h"

#include <expat.h>

#include <algorithm>
#include <memory>

namespace kestrel::net {

struct XMLParser::Callbacks {
  static XMLParser& self(void* user) { return *static_cast<XMLParser*>(user); }

  static void stop(XML_Parser expat, XMLParser& parser, std::string reason) {
    if (parser.error_.empty()) parser.error_ = std::move(reason);
    XML_StopParser(expat, XML_FALSE);
  }

  static void startElement(void* user, const XML_Char* name, const XML_Char** attributes) {
    XMLParser& parser = self(user);
    if (!parser.error_.empty()) return;
    if (++parser.depth_ > parser.maxDepth_) {
      stop(parser.expat_, parser, "elements nested deeper than " + std::to_string(parser.maxDepth_));
      return;
    }
    XMLElementStart start{name, {}};
    for (const XML_Char** a = attributes; a && a[0] && a[1]; a += 2) start.attributes.emplace(a[0], a[1]);
    if (parser.delegate_) parser.delegate_->parser(parser, start);
  }

  static void endElement(void* user, const XML_Char* name) {
    XMLParser& parser = self(user);
    if (!parser.error_.empty()) return;
    --parser.depth_;
    if (parser.delegate_) parser.delegate_->parser(parser, XMLElementEnd{name});
  }

  static void characters(void* user, const XML_Char* text, int length) {
    XMLParser& parser = self(user);
    if (!parser.error_.empty() || length <= 0) return;
    if (parser.delegate_) parser.delegate_->parser(parser, std::string_view(text, static_cast<size_t>(length)));
  }

  static void entityDeclaration(void* user, const XML_Char* name, int, const XML_Char*, int, const XML_Char*,
                                const XML_Char*, const XML_Char*, const XML_Char*) {
    XMLParser& parser = self(user);
    stop(parser.expat_, parser, std::string("entity declarations are refused (") + (name ? name : "") + ")");
  }

  static int externalEntity(XML_Parser expat, const XML_Char*, const XML_Char*, const XML_Char* systemId,
                            const XML_Char*) {
    // Never reached while declarations are refused; a last guard all the same.
    (void)expat;
    (void)systemId;
    return XML_STATUS_ERROR;
  }
};

XMLParser::XMLParser(std::string_view data, size_t maxBytes, size_t maxDepth)
    : data_(data), maxBytes_(maxBytes), maxDepth_(maxDepth) {}

bool XMLParser::parse() {
  if (parsed_) {
    if (error_.empty()) error_ = "a parser parses once";
    return false;
  }
  parsed_ = true;
  if (data_.size() > maxBytes_) {
    error_ = "document larger than " + std::to_string(maxBytes_) + " bytes";
    return false;
  }
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> expat(XML_ParserCreate(nullptr), XML_ParserFree);
  if (!expat) {
    error_ = "out of memory";
    return false;
  }
  expat_ = expat.get();
  XML_SetUserData(expat_, this);
  XML_SetParamEntityParsing(expat_, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetEntityDeclHandler(expat_, &Callbacks::entityDeclaration);
  XML_SetExternalEntityRefHandler(expat_, &Callbacks::externalEntity);
  XML_SetElementHandler(expat_, &Callbacks::startElement, &Callbacks::endElement);
  XML_SetCharacterDataHandler(expat_, &Callbacks::characters);

  if (delegate_) delegate_->parserDidStartDocument(*this);
  // Fed in slices so that a refused declaration stops the work early.
  constexpr size_t kSlice = 64 << 10;
  size_t offset = 0;
  bool ok = true;
  do {
    size_t length = std::min(kSlice, data_.size() - offset);
    bool last = offset + length == data_.size();
    if (XML_Parse(expat_, data_.data() + offset, static_cast<int>(length), last ? XML_TRUE : XML_FALSE) !=
        XML_STATUS_OK) {
      ok = false;
      break;
    }
    offset += length;
  } while (offset < data_.size());
  if (!ok || !error_.empty()) {
    if (error_.empty()) {
      error_ = std::string(XML_ErrorString(XML_GetErrorCode(expat_))) + " at line " +
               std::to_string(XML_GetCurrentLineNumber(expat_));
    }
    expat_ = nullptr;
    return false;
  }
  expat_ = nullptr;
  if (delegate_) delegate_->parserDidEndDocument(*this);
  return true;
}

}  // namespace kestrel::net
