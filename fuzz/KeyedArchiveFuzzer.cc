// Keyed-archive decoder. Odd first byte: the rest is taken as archive bytes, as a blob column
// would hold them. Even first byte: the rest drives a builder that lays out "$objects" with
// references, classes and fields, which reaches the decoder's object graph logic far more
// often than mutated binary property lists, most of which the property-list reader refuses.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/foundation/KeyedArchive.h"

using kestrel::KeyedArchive;
using kestrel::PlistUid;
using kestrel::PlistValue;

namespace {

const char* const kClasses[] = {"NSArray", "NSMutableArray", "NSSet", "NSDictionary", "NSMutableDictionary",
                                "NSString", "NSMutableString", "NSData", "NSMutableData", "NSDate",
                                "NSURL", "UIColor", "NSColor", "NSTimeZone", "NSNull", "NSUUID"};
const char* const kKeys[] = {"NS.objects", "NS.keys", "NS.string", "NS.bytes", "NS.data", "NS.time",
                             "NS.relative", "NS.base", "NS.name", "UIRed", "UIGreen", "UIBlue", "UIAlpha",
                             "UIRed-Double", "UIWhite", "NSRGB", "NSWhite", "NSColorSpace", "$class"};

PlistValue leaf(FuzzedDataProvider& in, uint64_t objects, int depth) {
  switch (in.ConsumeIntegralInRange<int>(0, depth > 2 ? 6 : 8)) {
    case 0: return PlistUid{in.ConsumeIntegralInRange<uint64_t>(0, objects + 1)};
    case 1: return in.ConsumeIntegral<int64_t>();
    case 2: return in.ConsumeFloatingPoint<double>();
    case 3: return in.ConsumeBool();
    case 4: return in.ConsumeRandomLengthString(24);
    case 5: return kestrel::Bytes(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 24)));
    case 6: return std::string(in.PickValueInArray(kClasses));
    case 7: {
      PlistValue a = PlistValue::array();
      for (int n = in.ConsumeIntegralInRange<int>(0, 4); n > 0; --n) a.append(leaf(in, objects, depth + 1));
      return a;
    }
    default: {
      PlistValue d = PlistValue::dict();
      for (int n = in.ConsumeIntegralInRange<int>(0, 4); n > 0; --n) d.set(in.PickValueInArray(kKeys), leaf(in, objects, depth + 1));
      return d;
    }
  }
}

PlistValue buildArchive(FuzzedDataProvider& in) {
  uint64_t count = in.ConsumeIntegralInRange<uint64_t>(1, 40);
  PlistValue::Array objects{PlistValue("$null")};
  for (uint64_t i = 1; i < count && in.remaining_bytes() > 0; ++i) {
    if (in.ConsumeBool()) {  // a class record
      PlistValue c = PlistValue::dict();
      const char* name = in.PickValueInArray(kClasses);
      c.set("$classname", name);
      c.set("$classes", PlistValue(PlistValue::Array{name, "NSObject"}));
      objects.push_back(c);
    } else {
      objects.push_back(leaf(in, count, 0));
    }
  }
  PlistValue top = PlistValue::dict();
  top.set("root", PlistUid{in.ConsumeIntegralInRange<uint64_t>(0, count)});
  PlistValue archive = PlistValue::dict();
  archive.set("$archiver", "NSKeyedArchiver");
  archive.set("$top", top);
  archive.set("$objects", PlistValue(std::move(objects)));
  return archive;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kestrel::fuzz::prepareDeviceRoot();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1) {
    (void)KeyedArchive::decode(data + 1, size - 1);
  } else {
    FuzzedDataProvider in(data + 1, size - 1);
    (void)KeyedArchive::decodeArchive(buildArchive(in));
  }
  return 0;
}
