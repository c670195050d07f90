// KeyedArchive: reads and writes keyed archives, the binary property lists in which the
// companion application stores colours, time zones, lists and dictionaries (blob columns of
// its database, some preference values).
//
// An archive is a dictionary with "$archiver" = "NSKeyedArchiver", "$top" = {"root": UID} and
// "$objects" (index 0 is "$null"; UID 0 is nil). Objects are dictionaries whose "$class" UID
// names a class record {"$classname", "$classes"}. The decoder understands:
//   arrays, sets, ordered sets ("NS.objects")   -> PlistValue array
//   dictionaries ("NS.keys" + "NS.objects")     -> PlistValue dictionary (string keys)
//   strings, numbers, booleans, data ("NS.data", "NS.bytes", plain)  -> PlistValue
//   dates ("NS.time"), URLs ("NS.relative")      -> PlistValue date / string
//   UIColor / NSColor (UIRed...UIAlpha, their "-Double" forms, NSRGB "r g b [a]",
//   UIWhite / NSWhite)                            -> Color (components clamped to 0...1)
//   NSTimeZone ("NS.name")                        -> TimeZone
// Inside a collection a colour becomes the array [red, green, blue, alpha] and a time zone
// its name, the forms the companion's preference files use for the same values; members
// of an unknown class are left out of their collection (and logged).
//
// Anything else - input that is not a property list, a missing root, an unknown root class,
// a reference out of range, a cycle, nesting deeper than kMaxDepth, a result of more than
// kMaxNodes values or kMaxBytes bytes of text and data, a colour or date that is not a finite
// number - decodes to none with one "KS:KeyedArchive:" log
// line. Decoding never throws and never crashes. Shared references (one object reachable
// twice) are fine and are decoded once.
//
// The encoder writes the same forms as binary property lists; it exists for the sample
// installation generator and for tests.
//
// All functions are stateless and thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/foundation/Color.h"
#include "platform/foundation/PlistValue.h"
#include "platform/foundation/TimeZone.h"

namespace kestrel {

class KeyedArchive {
 public:
  using Object = std::variant<PlistValue, Color, TimeZone>;

  static constexpr int kMaxDepth = 64;
  // Far above anything the companion writes (a handful of values per blob).
  static constexpr size_t kMaxNodes = 100'000;
  static constexpr size_t kMaxBytes = 16u << 20;

  // None for empty input (quietly), for an archive of nil (quietly) and for anything that
  // cannot be decoded (with a log line).
  static std::optional<Object> decode(const uint8_t* data, size_t size);
  static std::optional<Object> decode(const Bytes& data) { return decode(data.data(), data.size()); }
  // Decodes an archive that has already been read as a property list.
  static std::optional<Object> decodeArchive(const PlistValue& archive);

  // The root object when it has the wanted kind; none otherwise.
  static std::optional<PlistValue> decodePlist(const Bytes& data);
  static std::optional<Color> decodeColor(const Bytes& data);
  static std::optional<TimeZone> decodeTimeZone(const Bytes& data);

  // How a colour is written: UIKit float components, UIKit with the "-Double" components
  // that newer archives add, AppKit's NSRGB text, or grey (the mean of red, green, blue).
  enum class ColorForm { UIKit, UIKitDouble, NSRGB, White };

  // Binary keyed archives. A none value encodes as an archive of nil.
  static Bytes encode(const PlistValue& value);
  static Bytes encode(const Color& color, ColorForm form = ColorForm::UIKit);
  static Bytes encode(const TimeZone& zone);
  // The same archives as property-list values, for callers that embed or alter them.
  static PlistValue archive(const PlistValue& value);
  static PlistValue archive(const Color& color, ColorForm form = ColorForm::UIKit);
  static PlistValue archive(const TimeZone& zone);
};

}  // namespace kestrel
