#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/LogStore.h"

namespace kestrel::fuzz {

void prepareDeviceRoot() {
  char dir[] = "/tmp/kestrel-fuzz-XXXXXX";
  if (!::mkdtemp(dir)) std::abort();
  Device::setRoot(dir);
  std::string log = Device::path(LogStore::kDevicePath);
  files::createDirectories(files::deletingLastPathComponent(log));
  if (::symlink("/dev/null", log.c_str()) != 0) std::abort();
}

}  // namespace kestrel::fuzz
