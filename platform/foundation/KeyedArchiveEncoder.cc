// Keyed-archive encoding, in the layout NSKeyedArchiver produces: containers before their
// members, strings and class records shared, numbers and data stored bare in "$objects".
#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "platform/foundation/KeyedArchive.h"

namespace kestrel {
namespace {

class Encoder {
 public:
  Encoder() { objects_.push_back(PlistValue("$null")); }

  uint64_t value(const PlistValue& v) {
    switch (v.type()) {
      case PlistValue::Type::None:
      case PlistValue::Type::Uid:
        return 0;
      case PlistValue::Type::String: {
        auto [it, added] = strings_.try_emplace(*v.asString(), objects_.size());
        if (added) objects_.push_back(v);
        return it->second;
      }
      case PlistValue::Type::Bool:
      case PlistValue::Type::Integer:
      case PlistValue::Type::Real:
      case PlistValue::Type::Data:
        return add(v);
      case PlistValue::Type::Date: {
        PlistValue o = PlistValue::dict();
        o.set("NS.time", v.asDate()->timeIntervalSinceReferenceDate());
        o.set("$class", classRef("NSDate"));
        return add(std::move(o));
      }
      case PlistValue::Type::Array: {
        uint64_t self = add(PlistValue());
        PlistValue::Array members;
        for (const auto& item : *v.asArray()) members.push_back(PlistUid{value(item)});
        PlistValue o = PlistValue::dict();
        o.set("NS.objects", PlistValue(std::move(members)));
        o.set("$class", classRef("NSArray"));
        objects_[self] = std::move(o);
        return self;
      }
      case PlistValue::Type::Dict: {
        uint64_t self = add(PlistValue());
        PlistValue::Array keys, members;
        for (const auto& [k, item] : *v.asDict()) {
          keys.push_back(PlistUid{value(PlistValue(k))});
          members.push_back(PlistUid{value(item)});
        }
        PlistValue o = PlistValue::dict();
        o.set("NS.keys", PlistValue(std::move(keys)));
        o.set("NS.objects", PlistValue(std::move(members)));
        o.set("$class", classRef("NSDictionary"));
        objects_[self] = std::move(o);
        return self;
      }
    }
    return 0;
  }

  uint64_t color(const Color& c, KeyedArchive::ColorForm form) {
    PlistValue o = PlistValue::dict();
    switch (form) {
      case KeyedArchive::ColorForm::UIKitDouble:
        o.set("UIRed-Double", c.red);
        o.set("UIGreen-Double", c.green);
        o.set("UIBlue-Double", c.blue);
        o.set("UIAlpha-Double", c.alpha);
        [[fallthrough]];
      case KeyedArchive::ColorForm::UIKit:
        o.set("UIColorComponentCount", 4);
        o.set("UIRed", c.red);
        o.set("UIGreen", c.green);
        o.set("UIBlue", c.blue);
        o.set("UIAlpha", c.alpha);
        o.set("$class", classRef("UIColor"));
        break;
      case KeyedArchive::ColorForm::White:
        o.set("UIWhite", (c.red + c.green + c.blue) / 3.0);
        o.set("UIAlpha", c.alpha);
        o.set("$class", classRef("UIColor"));
        break;
      case KeyedArchive::ColorForm::NSRGB: {
        // AppKit writes alpha only when the colour is not opaque, and ends the text with a NUL.
        std::string text = number(c.red) + " " + number(c.green) + " " + number(c.blue);
        // Appending in two steps: GCC 12 at -O3 flags `" " + std::string&&` with a false -Wrestrict.
        if (c.alpha != 1.0) text.append(" ").append(number(c.alpha));
        Bytes bytes(text.begin(), text.end());
        bytes.push_back(0);
        o.set("NSColorSpace", 2);
        o.set("NSRGB", std::move(bytes));
        o.set("$class", classRef("NSColor"));
        break;
      }
    }
    return add(std::move(o));
  }

  uint64_t timeZone(const TimeZone& zone) {
    uint64_t self = add(PlistValue());
    PlistValue o = PlistValue::dict();
    o.set("NS.name", PlistUid{value(PlistValue(zone.name()))});
    o.set("$class", classRef("NSTimeZone"));
    objects_[self] = std::move(o);
    return self;
  }

  PlistValue finish(uint64_t root) {
    PlistValue top = PlistValue::dict();
    top.set("root", PlistUid{root});
    PlistValue archive = PlistValue::dict();
    archive.set("$archiver", "NSKeyedArchiver");
    archive.set("$version", 100000);
    archive.set("$top", std::move(top));
    archive.set("$objects", PlistValue(std::move(objects_)));
    return archive;
  }

 private:
  uint64_t add(PlistValue v) {
    objects_.push_back(std::move(v));
    return objects_.size() - 1;
  }

  PlistUid classRef(const std::string& name) {
    auto [it, added] = classes_.try_emplace(name, objects_.size());
    if (added) {
      PlistValue record = PlistValue::dict();
      record.set("$classname", name);
      record.set("$classes", PlistValue(PlistValue::Array{name, "NSObject"}));
      objects_.push_back(std::move(record));
    }
    return PlistUid{it->second};
  }

  static std::string number(double d) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 10);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
  }

  PlistValue::Array objects_;
  std::map<std::string, uint64_t> strings_;
  std::map<std::string, uint64_t> classes_;
};

}  // namespace

PlistValue KeyedArchive::archive(const PlistValue& value) {
  Encoder e;
  uint64_t root = e.value(value);
  return e.finish(root);
}

PlistValue KeyedArchive::archive(const Color& color, ColorForm form) {
  Encoder e;
  uint64_t root = e.color(color, form);
  return e.finish(root);
}

PlistValue KeyedArchive::archive(const TimeZone& zone) {
  Encoder e;
  uint64_t root = e.timeZone(zone);
  return e.finish(root);
}

Bytes KeyedArchive::encode(const PlistValue& value) { return archive(value).toBytes(PlistValue::Format::Binary); }
Bytes KeyedArchive::encode(const Color& color, ColorForm form) { return archive(color, form).toBytes(PlistValue::Format::Binary); }
Bytes KeyedArchive::encode(const TimeZone& zone) { return archive(zone).toBytes(PlistValue::Format::Binary); }

}  // namespace kestrel
