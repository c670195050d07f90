// Keyed-archive decoding. Every reference is resolved through Decoder::resolve, which keeps
// the depth, cycle and size limits in one place; class-specific readers only look at the
// fields of their object.
#include "platform/foundation/KeyedArchive.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

enum class Kind { Unknown, Array, Dict, String, Data, Date, Url, Color, TimeZone, Null };

Kind kindForClassName(std::string_view name) {
  static constexpr std::pair<std::string_view, Kind> kKinds[] = {
      {"NSArray", Kind::Array},           {"NSMutableArray", Kind::Array},
      {"NSSet", Kind::Array},             {"NSMutableSet", Kind::Array},
      {"NSOrderedSet", Kind::Array},      {"NSMutableOrderedSet", Kind::Array},
      {"NSDictionary", Kind::Dict},       {"NSMutableDictionary", Kind::Dict},
      {"NSString", Kind::String},         {"NSMutableString", Kind::String},
      {"NSData", Kind::Data},             {"NSMutableData", Kind::Data},
      {"NSDate", Kind::Date},             {"NSURL", Kind::Url},
      {"UIColor", Kind::Color},           {"NSColor", Kind::Color},
      {"NSTimeZone", Kind::TimeZone},     {"NSNull", Kind::Null},
  };
  for (const auto& [n, k] : kKinds)
    if (n == name) return k;
  return Kind::Unknown;
}

// One decoded reference. Nil and Unsupported are not failures: a collection skips them.
struct Decoded {
  enum class State { Value, Nil, Unsupported };
  State state = State::Nil;
  KeyedArchive::Object object;
  size_t nodes = 0;  // values in the subtree, charged again whenever it is reused
  size_t bytes = 0;  // text and data bytes in the subtree
  static Decoded nil() { return {}; }
  static Decoded unsupported() { return {State::Unsupported, PlistValue(), 0, 0}; }
};

// The form a colour or time zone takes inside a collection.
PlistValue asMember(KeyedArchive::Object&& o) {
  if (auto c = std::get_if<Color>(&o)) return PlistValue(PlistValue::Array{c->red, c->green, c->blue, c->alpha});
  if (auto z = std::get_if<TimeZone>(&o)) return PlistValue(z->name());
  return std::get<PlistValue>(std::move(o));
}

size_t payloadBytes(const PlistValue& v) {
  if (auto s = v.asString()) return s->size();
  if (auto d = v.asData()) return d->size();
  return 0;
}

// "r g b [a]" or "w [a]" as AppKit writes it: ASCII numbers, optionally NUL-terminated.
std::optional<std::vector<double>> parseComponents(const PlistValue& v) {
  std::string_view text;
  if (auto d = v.asData()) text = std::string_view(reinterpret_cast<const char*>(d->data()), d->size());
  else if (auto s = v.asString()) text = *s;
  else return std::nullopt;
  if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<double> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    if (i == text.size()) break;
    double d = 0;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), d);
    if (ec != std::errc() || !std::isfinite(d) || out.size() == 4) return std::nullopt;
    out.push_back(d);
    i = static_cast<size_t>(end - text.data());
  }
  return out;
}

class Decoder {
 public:
  explicit Decoder(const PlistValue::Array& objects)
      : objects_(objects), state_(objects.size(), Visit::New), cache_(objects.size()) {}

  // A value found inside an object: a UID is followed, anything else is taken inline.
  // None means the archive is damaged; reason() says why.
  std::optional<Decoded> resolve(const PlistValue& v, int depth) {
    if (depth > KeyedArchive::kMaxDepth) return fail("objects nested more than " + std::to_string(KeyedArchive::kMaxDepth) + " deep");
    if (auto uid = v.asUid()) {
      if (uid->value >= objects_.size()) return fail("reference " + std::to_string(uid->value) + " out of range");
      if (uid->value == 0) return Decoded::nil();
      return object(static_cast<size_t>(uid->value), depth);
    }
    return plain(v);
  }

  const std::string& reason() const { return reason_; }
  const std::vector<std::string>& skippedClasses() const { return skipped_; }

 private:
  enum class Visit : uint8_t { New, InProgress, Done };

  std::nullopt_t fail(std::string why) {
    if (reason_.empty()) reason_ = std::move(why);
    return std::nullopt;
  }

  // Every value that ends up in the result is charged once per appearance, so shared
  // references cannot blow the result up beyond the limits.
  bool charge(size_t nodes, size_t bytes) {
    nodes_ += nodes;
    bytes_ += bytes;
    if (nodes_ > KeyedArchive::kMaxNodes) fail("more than " + std::to_string(KeyedArchive::kMaxNodes) + " values");
    else if (bytes_ > KeyedArchive::kMaxBytes) fail("more than " + std::to_string(KeyedArchive::kMaxBytes) + " bytes");
    else return true;
    return false;
  }
  std::optional<Decoded> charge(Decoded d) {
    if (!charge(d.nodes, d.bytes)) return std::nullopt;
    return d;
  }

  std::optional<Decoded> object(size_t index, int depth) {
    switch (state_[index]) {
      case Visit::Done:
        if (!charge(cache_[index]->nodes, cache_[index]->bytes)) return std::nullopt;
        return cache_[index];
      case Visit::InProgress: return fail("cycle through object " + std::to_string(index));
      case Visit::New: break;
    }
    state_[index] = Visit::InProgress;
    auto d = objectAt(index, depth);
    if (!d) return std::nullopt;
    state_[index] = Visit::Done;
    cache_[index] = *d;
    return d;
  }

  std::optional<Decoded> plain(const PlistValue& v) {
    switch (v.type()) {
      case PlistValue::Type::Bool:
      case PlistValue::Type::Integer:
      case PlistValue::Type::Real:
      case PlistValue::Type::String:
      case PlistValue::Type::Data:
      case PlistValue::Type::Date:
        return charge({Decoded::State::Value, v, 1, payloadBytes(v)});
      default:
        return fail("unexpected inline value");
    }
  }

  std::optional<Decoded> objectAt(size_t index, int depth) {
    const PlistValue& v = objects_[index];
    if (!v.isDict()) {
      if (v.isArray() || v.type() == PlistValue::Type::Uid || v.isNone()) return fail("object " + std::to_string(index) + " is malformed");
      return plain(v);
    }
    const PlistValue* classRef = v.get("$class");
    if (!classRef || !classRef->asUid()) return fail("object " + std::to_string(index) + " has no class");
    auto cls = className(*classRef);
    if (!cls) return std::nullopt;
    switch (cls->first) {
      case Kind::Array: return array(v, depth);
      case Kind::Dict: return dictionary(v, depth);
      case Kind::String: return string(v, depth);
      case Kind::Data: return data(v, depth);
      case Kind::Date: return date(v);
      case Kind::Url: return url(v, depth);
      case Kind::Color: return color(v, depth);
      case Kind::TimeZone: return timeZone(v, depth);
      case Kind::Null: return Decoded::nil();
      case Kind::Unknown: break;
    }
    skipped_.push_back(cls->second);
    return Decoded::unsupported();
  }

  // The most specific known class of the object's class chain, and its name for the log.
  std::optional<std::pair<Kind, std::string>> className(const PlistValue& ref) {
    uint64_t i = ref.asUid()->value;
    if (i == 0 || i >= objects_.size() || !objects_[i].isDict()) return fail("class reference " + std::to_string(i) + " is malformed");
    const PlistValue& record = objects_[i];
    const PlistValue* name = record.get("$classname");
    if (!name || !name->asString()) return fail("class record " + std::to_string(i) + " has no name");
    if (const PlistValue* chain = record.get("$classes"); chain && chain->asArray()) {
      for (const auto& c : *chain->asArray())
        if (auto s = c.asString(); s && kindForClassName(*s) != Kind::Unknown) return std::pair{kindForClassName(*s), *name->asString()};
    }
    return std::pair{kindForClassName(*name->asString()), *name->asString()};
  }

  std::optional<Decoded> field(const PlistValue& o, std::string_view key, int depth) {
    const PlistValue* v = o.get(key);
    if (!v) return Decoded::nil();
    return resolve(*v, depth + 1);
  }

  static const PlistValue* valueOf(const Decoded& d) {
    return d.state == Decoded::State::Value ? std::get_if<PlistValue>(&d.object) : nullptr;
  }

  std::optional<Decoded> array(const PlistValue& o, int depth) {
    const PlistValue* members = o.get("NS.objects");
    if (!members || !members->asArray()) return fail("collection without NS.objects");
    Decoded out{Decoded::State::Value, PlistValue::array(), 1, 0};
    PlistValue::Array& items = *std::get<PlistValue>(out.object).asArray();
    for (const auto& m : *members->asArray()) {
      auto d = resolve(m, depth + 1);
      if (!d) return std::nullopt;
      if (d->state != Decoded::State::Value) continue;
      items.push_back(asMember(std::move(d->object)));
      out.nodes += d->nodes;
      out.bytes += d->bytes;
    }
    if (!charge(1, 0)) return std::nullopt;
    return out;
  }

  std::optional<Decoded> dictionary(const PlistValue& o, int depth) {
    const PlistValue* keys = o.get("NS.keys");
    const PlistValue* values = o.get("NS.objects");
    if (!keys || !values || !keys->asArray() || !values->asArray()) return fail("dictionary without NS.keys and NS.objects");
    if (keys->count() != values->count()) return fail("dictionary with " + std::to_string(keys->count()) + " keys and " + std::to_string(values->count()) + " values");
    Decoded out{Decoded::State::Value, PlistValue::dict(), 1, 0};
    PlistValue& dict = std::get<PlistValue>(out.object);
    for (size_t i = 0; i < keys->count(); ++i) {
      auto k = resolve((*keys->asArray())[i], depth + 1);
      if (!k) return std::nullopt;
      auto v = resolve((*values->asArray())[i], depth + 1);
      if (!v) return std::nullopt;
      const PlistValue* key = valueOf(*k);
      if (!key || v->state != Decoded::State::Value) continue;
      std::string name;
      if (auto s = key->asString()) name = *s;
      else if (key->isNumber()) name = key->description();
      else continue;
      dict.set(std::move(name), asMember(std::move(v->object)));
      out.nodes += v->nodes + 1;
      out.bytes += v->bytes + k->bytes;
    }
    if (!charge(1, 0)) return std::nullopt;
    return out;
  }

  std::optional<Decoded> string(const PlistValue& o, int depth) {
    for (const char* key : {"NS.string", "NS.bytes"}) {
      auto d = field(o, key, depth);
      if (!d) return std::nullopt;
      const PlistValue* v = valueOf(*d);
      if (!v) continue;
      if (v->asString()) return d;
      if (auto bytes = v->asData()) {
        std::string s(bytes->begin(), bytes->end());
        return Decoded{Decoded::State::Value, PlistValue(std::move(s)), 1, bytes->size()};
      }
    }
    return fail("string without text");
  }

  std::optional<Decoded> data(const PlistValue& o, int depth) {
    auto d = field(o, "NS.data", depth);
    if (!d) return std::nullopt;
    const PlistValue* v = valueOf(*d);
    if (!v || !v->asData()) return fail("data object without NS.data");
    return d;
  }

  std::optional<Decoded> date(const PlistValue& o) {
    const PlistValue* t = o.get("NS.time");
    auto seconds = t ? t->doubleValue() : std::nullopt;
    if (!seconds || t->isString() || !std::isfinite(*seconds)) return fail("date without a finite NS.time");
    return charge({Decoded::State::Value, PlistValue(Date(*seconds)), 1, 0});
  }

  std::optional<Decoded> url(const PlistValue& o, int depth) {
    auto rel = field(o, "NS.relative", depth);
    if (!rel) return std::nullopt;
    const PlistValue* r = valueOf(*rel);
    if (!r || !r->asString()) return fail("URL without NS.relative");
    std::string text = *r->asString();
    auto base = field(o, "NS.base", depth);
    if (!base) return std::nullopt;
    if (const PlistValue* b = valueOf(*base); b && b->asString() && text.find("://") == std::string::npos) text = *b->asString() + text;
    size_t n = text.size();
    return Decoded{Decoded::State::Value, PlistValue(std::move(text)), 1, n};
  }

  // A numeric colour component, inline or referenced. Absent: none with no failure.
  std::optional<std::optional<double>> component(const PlistValue& o, const std::string& key, int depth) {
    for (const std::string& k : {key + "-Double", key}) {
      auto d = field(o, k, depth);
      if (!d) return std::nullopt;
      if (d->state == Decoded::State::Nil) continue;
      const PlistValue* v = valueOf(*d);
      if (!v || v->isString() || !v->isNumber() || !std::isfinite(*v->doubleValue())) return fail("colour component " + k + " is not a finite number");
      return std::optional<double>(*v->doubleValue());
    }
    return std::optional<double>();
  }

  std::optional<Decoded> color(const PlistValue& o, int depth) {
    auto result = [&](double r, double g, double b, double a) {
      auto c = [](double x) { return std::clamp(x, 0.0, 1.0); };
      return charge({Decoded::State::Value, Color::rgba(c(r), c(g), c(b), c(a)), 1, 0});
    };
    auto red = component(o, "UIRed", depth);
    if (!red) return std::nullopt;
    if (*red) {
      auto green = component(o, "UIGreen", depth), blue = component(o, "UIBlue", depth), alpha = component(o, "UIAlpha", depth);
      if (!green || !blue || !alpha) return std::nullopt;
      if (!*green || !*blue) return fail("colour without green and blue");
      return result(**red, **green, **blue, alpha->value_or(1.0));
    }
    auto white = component(o, "UIWhite", depth);
    if (!white) return std::nullopt;
    if (*white) {
      auto alpha = component(o, "UIAlpha", depth);
      if (!alpha) return std::nullopt;
      return result(**white, **white, **white, alpha->value_or(1.0));
    }
    for (const char* key : {"NSRGB", "NSWhite"}) {
      auto d = field(o, key, depth);
      if (!d) return std::nullopt;
      const PlistValue* v = valueOf(*d);
      if (!v) continue;
      auto parts = parseComponents(*v);
      bool rgb = std::string_view(key) == "NSRGB";
      size_t least = rgb ? 3 : 1;
      if (!parts || parts->size() < least || parts->size() > least + 1) return fail(std::string("colour with malformed ") + key);
      const auto& p = *parts;
      if (rgb) return result(p[0], p[1], p[2], p.size() > 3 ? p[3] : 1.0);
      return result(p[0], p[0], p[0], p.size() > 1 ? p[1] : 1.0);
    }
    skipped_.push_back("colour without RGB or grey components");
    return Decoded::unsupported();
  }

  std::optional<Decoded> timeZone(const PlistValue& o, int depth) {
    auto d = field(o, "NS.name", depth);
    if (!d) return std::nullopt;
    const PlistValue* v = valueOf(*d);
    if (!v || !v->asString()) return fail("time zone without NS.name");
    auto zone = TimeZone::named(*v->asString());
    if (!zone) {
      skipped_.push_back("time zone " + *v->asString());
      return Decoded::unsupported();
    }
    return charge({Decoded::State::Value, *zone, 1, 0});
  }

  const PlistValue::Array& objects_;
  std::vector<Visit> state_;
  std::vector<std::optional<Decoded>> cache_;
  size_t nodes_ = 0;
  size_t bytes_ = 0;
  std::string reason_;
  std::vector<std::string> skipped_;
};

std::nullopt_t logFailure(const std::string& reason) {
  KSLog("KS:KeyedArchive: Cannot decode archive: %@", reason);
  return std::nullopt;
}

}  // namespace

std::optional<KeyedArchive::Object> KeyedArchive::decode(const uint8_t* data, size_t size) {
  if (!data || size == 0) return std::nullopt;
  auto plist = PlistValue::fromBytes(data, size);
  if (!plist) return logFailure("not a property list");
  return decodeArchive(*plist);
}

std::optional<KeyedArchive::Object> KeyedArchive::decodeArchive(const PlistValue& archive) {
  const PlistValue* archiver = archive.get("$archiver");
  if (!archiver || !archiver->asString() || *archiver->asString() != "NSKeyedArchiver") return logFailure("not a keyed archive");
  const PlistValue* objects = archive.get("$objects");
  const PlistValue* top = archive.get("$top");
  if (!objects || !objects->asArray() || !top || !top->isDict()) return logFailure("archive without $objects and $top");
  const PlistValue* root = top->get("root");
  if (!root && top->count() == 1) root = &top->asDict()->begin()->second;
  if (!root || !root->asUid()) return logFailure("archive without a root reference");

  Decoder decoder(*objects->asArray());
  auto d = decoder.resolve(*root, 0);
  if (!d) return logFailure(decoder.reason());
  if (!decoder.skippedClasses().empty()) {
    std::string names;
    for (const auto& n : decoder.skippedClasses()) names += (names.empty() ? "" : ", ") + n;
    KSLog("KS:KeyedArchive: Left out %lu object(s) of unsupported kind: %@", decoder.skippedClasses().size(), names);
  }
  if (d->state != Decoded::State::Value) return std::nullopt;
  return std::move(d->object);
}

std::optional<PlistValue> KeyedArchive::decodePlist(const Bytes& data) {
  auto o = decode(data);
  if (!o || !std::holds_alternative<PlistValue>(*o)) return std::nullopt;
  return std::get<PlistValue>(std::move(*o));
}

std::optional<Color> KeyedArchive::decodeColor(const Bytes& data) {
  auto o = decode(data);
  if (!o || !std::holds_alternative<Color>(*o)) return std::nullopt;
  return std::get<Color>(*o);
}

std::optional<TimeZone> KeyedArchive::decodeTimeZone(const Bytes& data) {
  auto o = decode(data);
  if (!o || !std::holds_alternative<TimeZone>(*o)) return std::nullopt;
  return std::get<TimeZone>(*o);
}

}  // namespace kestrel
