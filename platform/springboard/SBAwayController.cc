#include "platform/springboard/SBAwayController.h"

#include "platform/foundation/Device.h"

namespace kestrel {
namespace {
constexpr const char* kLockedKey = "locked";
}  // namespace

SBAwayController::SBAwayController() = default;

Ref<SBAwayController> SBAwayController::sharedAwayController() {
  static Ref<SBAwayController> shared(new SBAwayController());
  return shared;
}

SharedPlistFile SBAwayController::stateFile() {
  return SharedPlistFile(Device::path(kDevicePath), "lock state", [](const PlistValue& value) {
    const PlistValue* locked = value.get(kLockedKey);
    return locked && locked->type() == PlistValue::Type::Bool;
  });
}

bool SBAwayController::isLocked() const {
  auto contents = stateFile().read();
  switch (contents.state) {
    case SharedPlistFile::State::Missing: return false;
    case SharedPlistFile::State::Damaged: return true;
    case SharedPlistFile::State::Valid: return contents.value.boolForKey(kLockedKey);
  }
  return true;
}

bool SBAwayController::setLocked(bool locked) {
  return stateFile().update([&](SharedPlistFile::Contents& contents) {
    contents.value = PlistValue::dict();
    contents.value.set(kLockedKey, locked);
    return true;
  });
}

}  // namespace kestrel
