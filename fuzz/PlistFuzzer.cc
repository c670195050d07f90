// Property-list reader: any bytes must read as a value or as none. A value that reads must
// also survive being written back and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzSupport.h"
#include "platform/foundation/PlistValue.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kestrel::fuzz::prepareDeviceRoot();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kestrel::PlistValue;
  auto value = PlistValue::fromBytes(data, size);
  if (!value) return 0;
  (void)value->description();
  for (auto format : {PlistValue::Format::Binary, PlistValue::Format::XML}) {
    kestrel::Bytes bytes = value->toBytes(format);
    if (bytes.empty()) std::abort();
    if (!PlistValue::fromBytes(bytes)) std::abort();
  }
  return 0;
}
