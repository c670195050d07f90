#include "platform/host/KSHost.h"

#include "platform/foundation/Format.h"

namespace kestrel {

KSDrawnTextSource::~KSDrawnTextSource() = default;

std::string KSData::description() const {
  return KSFormat("<KSData: %@; context = %@>", uniqueID, context);
}

}  // namespace kestrel
