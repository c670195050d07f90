// PlistValue: the value type of every option dictionary, preference file, pasteboard item
// and decoded keyed archive.
//
// A PlistValue is none, a boolean, an integer, a real, a string, data, a date, a keyed-archive
// UID, an array or a dictionary (string keys, sorted). It has value semantics. Reading from
// and writing to XML and binary property lists goes through libplist; damaged input reads as
// std::nullopt, never as a crash. Nesting deeper than kMaxDepth is refused.
//
// The typed lookups (boolForKey..., intForKey..., doubleForKey...) read numbers and numeric
// strings alike; a value of the wrong type falls back to the default and logs one line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/foundation/Date.h"

namespace kestrel {

using Bytes = std::vector<uint8_t>;

struct PlistUid {
  uint64_t value = 0;
  friend bool operator==(PlistUid, PlistUid) = default;
};

class PlistValue {
 public:
  using Array = std::vector<PlistValue>;
  using Dict = std::map<std::string, PlistValue, std::less<>>;
  enum class Type { None, Bool, Integer, Real, String, Data, Date, Uid, Array, Dict };
  enum class Format { XML, Binary };
  static constexpr int kMaxDepth = 512;

  PlistValue() = default;
  PlistValue(bool b) : v_(b) {}
  PlistValue(int i) : v_(static_cast<int64_t>(i)) {}
  PlistValue(int64_t i) : v_(i) {}
  PlistValue(uint32_t i) : v_(static_cast<int64_t>(i)) {}
  PlistValue(double d) : v_(d) {}
  PlistValue(const char* s) : v_(std::string(s ? s : "")) {}
  PlistValue(std::string s) : v_(std::move(s)) {}
  PlistValue(std::string_view s) : v_(std::string(s)) {}
  PlistValue(Bytes d) : v_(std::move(d)) {}
  PlistValue(Date d) : v_(d) {}
  PlistValue(PlistUid u) : v_(u) {}
  PlistValue(Array a) : v_(std::move(a)) {}
  PlistValue(Dict d) : v_(std::move(d)) {}

  static PlistValue array() { return PlistValue(Array{}); }
  static PlistValue dict() { return PlistValue(Dict{}); }

  Type type() const { return static_cast<Type>(v_.index()); }
  bool isNone() const { return type() == Type::None; }
  bool isNumber() const { return type() == Type::Integer || type() == Type::Real || type() == Type::Bool; }
  bool isString() const { return type() == Type::String; }
  bool isArray() const { return type() == Type::Array; }
  bool isDict() const { return type() == Type::Dict; }

  // Exact-type accessors: nullptr when the value is of another type.
  const std::string* asString() const { return std::get_if<std::string>(&v_); }
  const Bytes* asData() const { return std::get_if<Bytes>(&v_); }
  const Date* asDate() const { return std::get_if<Date>(&v_); }
  const PlistUid* asUid() const { return std::get_if<PlistUid>(&v_); }
  const Array* asArray() const { return std::get_if<Array>(&v_); }
  Array* asArray() { return std::get_if<Array>(&v_); }
  const Dict* asDict() const { return std::get_if<Dict>(&v_); }
  Dict* asDict() { return std::get_if<Dict>(&v_); }

  // Numeric readings: booleans, integers, reals and numeric strings ("12", " 3.5", "true",
  // "YES"). None for anything else.
  std::optional<bool> boolValue() const;
  std::optional<int64_t> integerValue() const;
  std::optional<double> doubleValue() const;

  // Dictionary access. get() answers nullptr when this is not a dictionary or the key is
  // absent; set() turns a none value into a dictionary first.
  const PlistValue* get(std::string_view key) const;
  void set(std::string key, PlistValue value);
  bool remove(std::string_view key);
  // Array access; append() turns a none value into an array first.
  void append(PlistValue value);
  size_t count() const;  // elements of an array or dictionary, else 0

  // Typed lookups on a dictionary. Absent key (or not a dictionary): the default.
  bool boolForKey(std::string_view key, bool def = false) const;
  int64_t intForKey(std::string_view key, int64_t def = 0) const;
  double doubleForKey(std::string_view key, double def = 0.0) const;
  std::string stringForKey(std::string_view key, const std::string& def = {}) const;

  // Property-list I/O (XML or binary, detected). None for damaged or over-deep input.
  static std::optional<PlistValue> fromBytes(const uint8_t* data, size_t size);
  static std::optional<PlistValue> fromBytes(const Bytes& data) { return fromBytes(data.data(), data.size()); }
  static std::optional<PlistValue> fromString(std::string_view text) {
    return fromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  static std::optional<PlistValue> fromFile(const std::string& path);
  // Serialises; a none value (or one containing none) serialises its none parts as empty strings.
  Bytes toBytes(Format format) const;
  std::string toXML() const;

  // Compact, readable rendering: strings bare, arrays "(a, b)", dictionaries "{k = v; }".
  std::string description() const;

  friend bool operator==(const PlistValue& a, const PlistValue& b) { return a.v_ == b.v_; }

 private:
  std::variant<std::monostate, bool, int64_t, double, std::string, Bytes, Date, PlistUid, Array, Dict> v_;
};

}  // namespace kestrel
