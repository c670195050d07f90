#include "platform/foundation/PlistValue.h"

#include <plist/plist.h>
#include <unicode/utf8.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <sstream>

#include "platform/foundation/BinaryPlistCheck.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

// libplist nodes are freed on every path.
struct PlistNode {
  plist_t node = nullptr;
  ~PlistNode() {
    if (node) plist_free(node);
  }
};

// Text in a property list is UTF-8. Binary lists can carry bytes that are not (an "ASCII"
// string with high bytes), and libplist then writes a list it cannot read back; such
// sequences become U+FFFD on the way in and on the way out, so a value that was read can
// always be written and read again.
std::string validUtf8(std::string s) {
  const int64_t n = static_cast<int64_t>(s.size());
  int64_t i = 0;
  bool valid = true;
  while (valid && i < n) {
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    valid = c >= 0;
  }
  if (valid) return s;
  std::string out;
  out.reserve(s.size() + 8);
  for (i = 0; i < n;) {
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    if (c < 0) c = 0xFFFD;
    char buf[U8_MAX_LENGTH];
    int32_t len = 0;
    U8_APPEND_UNSAFE(buf, len, c);
    out.append(buf, static_cast<size_t>(len));
  }
  return out;
}

std::optional<PlistValue> fromNode(plist_t node, int depth) {
  if (!node || depth > PlistValue::kMaxDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return PlistValue(b != 0);
    }
    case PLIST_UINT: {
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      return PlistValue(static_cast<int64_t>(u));
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return PlistValue(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      uint64_t len = 0;
      const char* p = plist_get_string_ptr(node, &len);
      return PlistValue(validUtf8(std::string(p ? p : "", p ? len : 0)));
    }
    case PLIST_DATA: {
      uint64_t len = 0;
      char* p = nullptr;
      plist_get_data_val(node, &p, &len);
      Bytes bytes(p, p + (p ? len : 0));
      free(p);
      return PlistValue(std::move(bytes));
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return PlistValue(Date(static_cast<double>(sec) + usec / 1e6));
    }
    case PLIST_UID: {
      uint64_t u = 0;
      plist_get_uid_val(node, &u);
      return PlistValue(PlistUid{u});
    }
    case PLIST_ARRAY: {
      PlistValue::Array out;
      uint32_t n = plist_array_get_size(node);
      out.reserve(n);
      for (uint32_t i = 0; i < n; ++i) {
        auto item = fromNode(plist_array_get_item(node, i), depth + 1);
        if (!item) return std::nullopt;
        out.push_back(std::move(*item));
      }
      return PlistValue(std::move(out));
    }
    case PLIST_DICT: {
      PlistValue::Dict out;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      if (!it) return PlistValue(std::move(out));
      for (;;) {
        char* key = nullptr;
        plist_t val = nullptr;
        plist_dict_next_item(node, it, &key, &val);
        if (!val) {
          free(key);
          break;
        }
        auto item = fromNode(val, depth + 1);
        std::string k = validUtf8(key ? key : "");
        free(key);
        if (!item) {
          free(it);
          return std::nullopt;
        }
        out.insert_or_assign(std::move(k), std::move(*item));
      }
      free(it);
      return PlistValue(std::move(out));
    }
    default:
      return std::nullopt;
  }
}

plist_t toNode(const PlistValue& v, int depth) {
  if (depth > PlistValue::kMaxDepth) return plist_new_string("");
  switch (v.type()) {
    case PlistValue::Type::None:
      return plist_new_string("");
    case PlistValue::Type::Bool:
      return plist_new_bool(*v.boolValue() ? 1 : 0);
    case PlistValue::Type::Integer:
      return plist_new_uint(static_cast<uint64_t>(*v.integerValue()));
    case PlistValue::Type::Real:
      return plist_new_real(*v.doubleValue());
    case PlistValue::Type::String:
      return plist_new_string(validUtf8(*v.asString()).c_str());
    case PlistValue::Type::Data: {
      const Bytes& b = *v.asData();
      return plist_new_data(reinterpret_cast<const char*>(b.data()), b.size());
    }
    case PlistValue::Type::Date: {
      double s = v.asDate()->timeIntervalSinceReferenceDate();
      if (!std::isfinite(s) || std::fabs(s) > 2e9) s = 0;
      double whole = std::floor(s);
      return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((s - whole) * 1e6));
    }
    case PlistValue::Type::Uid:
      return plist_new_uid(v.asUid()->value);
    case PlistValue::Type::Array: {
      plist_t a = plist_new_array();
      for (const auto& item : *v.asArray()) plist_array_append_item(a, toNode(item, depth + 1));
      return a;
    }
    case PlistValue::Type::Dict: {
      plist_t d = plist_new_dict();
      for (const auto& [k, item] : *v.asDict()) plist_dict_set_item(d, validUtf8(k).c_str(), toNode(item, depth + 1));
      return d;
    }
  }
  return plist_new_string("");
}

std::optional<double> parseNumber(const std::string& s) {
  const char* p = s.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  if (!*p) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  double d = std::strtod(p, &end);
  if (end == p || errno == ERANGE) return std::nullopt;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return std::nullopt;
  return d;
}

// Some characters cannot appear in a property list description without quoting.
bool needsQuotes(const std::string& s) {
  if (s.empty()) return true;
  for (unsigned char c : s)
    if (!(std::isalnum(c) || c == '_' || c == '.' || c == '/' || c == '-' || c == ':' || c >= 0x80)) return true;
  return false;
}

void describe(const PlistValue& v, std::ostringstream& out, int depth) {
  if (depth > 64) {
    out << "...";
    return;
  }
  switch (v.type()) {
    case PlistValue::Type::None: out << "(null)"; break;
    case PlistValue::Type::Bool: out << (*v.boolValue() ? 1 : 0); break;
    case PlistValue::Type::Integer: out << *v.integerValue(); break;
    case PlistValue::Type::Real: {
      std::ostringstream num;
      num.precision(15);
      num << *v.doubleValue();
      out << num.str();
      break;
    }
    case PlistValue::Type::String: {
      const std::string& s = *v.asString();
      if (depth > 0 && needsQuotes(s))
        out << '"' << s << '"';
      else
        out << s;
      break;
    }
    case PlistValue::Type::Data: {
      static const char* hex = "0123456789abcdef";
      out << '<';
      size_t i = 0;
      for (uint8_t b : *v.asData()) {
        if (i && i % 4 == 0) out << ' ';
        if (i++ >= 64) {
          out << "...";
          break;
        }
        out << hex[b >> 4] << hex[b & 15];
      }
      out << '>';
      break;
    }
    case PlistValue::Type::Date: out << v.asDate()->description(); break;
    case PlistValue::Type::Uid: out << "<CFKeyedArchiverUID>{value = " << v.asUid()->value << "}"; break;
    case PlistValue::Type::Array: {
      out << '(';
      bool first = true;
      for (const auto& item : *v.asArray()) {
        out << (first ? "" : ", ");
        first = false;
        describe(item, out, depth + 1);
      }
      out << ')';
      break;
    }
    case PlistValue::Type::Dict: {
      out << '{';
      for (const auto& [k, item] : *v.asDict()) {
        out << (needsQuotes(k) ? '"' + k + '"' : k) << " = ";
        describe(item, out, depth + 1);
        out << "; ";
      }
      out << '}';
      break;
    }
  }
}

const char* typeName(PlistValue::Type t) {
  static const char* names[] = {"none", "boolean", "integer", "real", "string",
                                "data", "date",    "uid",     "array", "dictionary"};
  return names[static_cast<int>(t)];
}

void logWrongType(std::string_view key, const PlistValue& v, const char* wanted) {
  KSLog("KS:TWCommon: Option %@ is a %s, not a %s; using the default", std::string(key), typeName(v.type()), wanted);
}

}  // namespace

std::optional<bool> PlistValue::boolValue() const {
  if (auto b = std::get_if<bool>(&v_)) return *b;
  if (auto i = std::get_if<int64_t>(&v_)) return *i != 0;
  if (auto d = std::get_if<double>(&v_)) return *d != 0.0;
  if (auto s = std::get_if<std::string>(&v_)) {
    // Strings read like NSString's boolValue: a leading Y/y/T/t or a non-zero number.
    size_t i = s->find_first_not_of(" \t");
    if (i == std::string::npos) return std::nullopt;
    char c = (*s)[i];
    if (c == 'Y' || c == 'y' || c == 'T' || c == 't') return true;
    if (c == 'N' || c == 'n' || c == 'F' || c == 'f') return false;
    if (auto n = parseNumber(*s)) return *n != 0.0;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<int64_t> PlistValue::integerValue() const {
  if (auto b = std::get_if<bool>(&v_)) return *b ? 1 : 0;
  if (auto i = std::get_if<int64_t>(&v_)) return *i;
  auto clamp = [](double d) -> std::optional<int64_t> {
    if (std::isnan(d)) return std::nullopt;
    if (d >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (d <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
  };
  if (auto d = std::get_if<double>(&v_)) return clamp(*d);
  if (auto s = std::get_if<std::string>(&v_)) {
    if (auto n = parseNumber(*s)) return clamp(*n);
  }
  return std::nullopt;
}

std::optional<double> PlistValue::doubleValue() const {
  if (auto b = std::get_if<bool>(&v_)) return *b ? 1.0 : 0.0;
  if (auto i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
  if (auto d = std::get_if<double>(&v_)) return *d;
  if (auto s = std::get_if<std::string>(&v_)) return parseNumber(*s);
  return std::nullopt;
}

const PlistValue* PlistValue::get(std::string_view key) const {
  auto d = asDict();
  if (!d) return nullptr;
  auto it = d->find(key);
  return it == d->end() ? nullptr : &it->second;
}

void PlistValue::set(std::string key, PlistValue value) {
  if (isNone()) v_ = Dict{};
  if (auto d = asDict()) d->insert_or_assign(std::move(key), std::move(value));
}

bool PlistValue::remove(std::string_view key) {
  auto d = asDict();
  if (!d) return false;
  auto it = d->find(key);
  if (it == d->end()) return false;
  d->erase(it);
  return true;
}

void PlistValue::append(PlistValue value) {
  if (isNone()) v_ = Array{};
  if (auto a = asArray()) a->push_back(std::move(value));
}

size_t PlistValue::count() const {
  if (auto a = asArray()) return a->size();
  if (auto d = asDict()) return d->size();
  return 0;
}

bool PlistValue::boolForKey(std::string_view key, bool def) const {
  const PlistValue* v = get(key);
  if (!v) return def;
  if (auto b = v->boolValue()) return *b;
  logWrongType(key, *v, "boolean");
  return def;
}

int64_t PlistValue::intForKey(std::string_view key, int64_t def) const {
  const PlistValue* v = get(key);
  if (!v) return def;
  if (auto i = v->integerValue()) return *i;
  logWrongType(key, *v, "number");
  return def;
}

double PlistValue::doubleForKey(std::string_view key, double def) const {
  const PlistValue* v = get(key);
  if (!v) return def;
  if (auto d = v->doubleValue()) return *d;
  logWrongType(key, *v, "number");
  return def;
}

std::string PlistValue::stringForKey(std::string_view key, const std::string& def) const {
  const PlistValue* v = get(key);
  if (!v) return def;
  if (auto s = v->asString()) return *s;
  if (v->type() == Type::Integer || v->type() == Type::Real) return v->description();
  logWrongType(key, *v, "string");
  return def;
}

std::optional<PlistValue> PlistValue::fromBytes(const uint8_t* data, size_t size) {
  if (!data || size == 0 || size > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  if (looksLikeBinaryPlist(data, size) && !isWellFormedBinaryPlist(data, size, nullptr, {kMaxDepth})) return std::nullopt;
  PlistNode root;
  plist_from_memory(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size), &root.node);
  if (!root.node) return std::nullopt;
  return fromNode(root.node, 0);
}

std::optional<PlistValue> PlistValue::fromFile(const std::string& path) {
  auto bytes = files::readFile(path);
  if (!bytes) return std::nullopt;
  return fromBytes(*bytes);
}

Bytes PlistValue::toBytes(Format format) const {
  PlistNode root;
  root.node = toNode(*this, 0);
  char* out = nullptr;
  uint32_t len = 0;
  if (format == Format::XML) {
    plist_to_xml(root.node, &out, &len);
    Bytes b(out, out + (out ? len : 0));
    if (out) plist_to_xml_free(out);
    return b;
  }
  plist_to_bin(root.node, &out, &len);
  Bytes b(out, out + (out ? len : 0));
  if (out) plist_to_bin_free(out);
  return b;
}

std::string PlistValue::toXML() const {
  Bytes b = toBytes(Format::XML);
  return std::string(b.begin(), b.end());
}

std::string PlistValue::description() const {
  std::ostringstream out;
  describe(*this, out, 0);
  return out.str();
}

}  // namespace kestrel
