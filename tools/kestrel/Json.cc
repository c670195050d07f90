#include "tools/kestrel/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kestrel::tool {
namespace {

// Length of the valid UTF-8 sequence at s[i], 0 when it is not one.
size_t validSequenceLength(std::string_view s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  size_t len;
  uint32_t cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
  bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
  if (overlong || surrogate || cp > 0x10FFFF) return 0;
  return len;
}

std::string base64(const Bytes& data) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < data.size(); i += 3) {
    uint32_t n = static_cast<uint32_t>(data[i]) << 16;
    if (i + 1 < data.size()) n |= static_cast<uint32_t>(data[i + 1]) << 8;
    if (i + 2 < data.size()) n |= data[i + 2];
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += i + 1 < data.size() ? kAlphabet[(n >> 6) & 63] : '=';
    out += i + 2 < data.size() ? kAlphabet[n & 63] : '=';
  }
  return out;
}

std::string number(double d) {
  if (!std::isfinite(d)) return "null";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size();) {
    size_t len = validSequenceLength(s, i);
    if (len == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (len == 1) {
      unsigned char c = static_cast<unsigned char>(s[i]);
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
          if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
          } else {
            out += static_cast<char>(c);
          }
      }
    } else if (s.substr(i, len) == "\xE2\x80\xA8") {
      out += "\\u2028";
    } else if (s.substr(i, len) == "\xE2\x80\xA9") {
      out += "\\u2029";
    } else {
      out.append(s.substr(i, len));
    }
    i += len;
  }
  out += '"';
  return out;
}

std::string jsonValue(const PlistValue& v) {
  switch (v.type()) {
    case PlistValue::Type::None: return "null";
    case PlistValue::Type::Bool: return *v.boolValue() ? "true" : "false";
    case PlistValue::Type::Integer: return std::to_string(*v.integerValue());
    case PlistValue::Type::Real: return number(*v.doubleValue());
    case PlistValue::Type::String: return jsonString(*v.asString());
    case PlistValue::Type::Data: return jsonString(base64(*v.asData()));
    case PlistValue::Type::Date: return jsonString(v.asDate()->description());
    case PlistValue::Type::Uid: return std::to_string(v.asUid()->value);
    case PlistValue::Type::Array: {
      std::string out = "[";
      for (const auto& e : *v.asArray()) {
        if (out.size() > 1) out += ',';
        out += jsonValue(e);
      }
      return out + "]";
    }
    case PlistValue::Type::Dict: {
      std::string out = "{";
      for (const auto& [key, e] : *v.asDict()) {
        if (out.size() > 1) out += ',';
        out += jsonString(key) + ":" + jsonValue(e);
      }
      return out + "}";
    }
  }
  return "null";
}

}  // namespace kestrel::tool
