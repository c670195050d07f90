#include "platform/springboard/SBDisplay.h"

#include "platform/foundation/Device.h"
#include "platform/foundation/SharedPlistFile.h"

namespace kestrel {
namespace {

// Every application entry must be a dictionary of values.
SharedPlistFile tableFile() {
  return SharedPlistFile(Device::path(SBDisplay::kDevicePath), "application defaults", [](const PlistValue& value) {
    if (!value.isDict()) return false;
    for (const auto& [identifier, entry] : *value.asDict())
      if (!entry.isDict()) return false;
    return true;
  });
}

}  // namespace

std::optional<PlistValue> SBDisplay::defaultValueForKey(std::string_view key, std::string_view displayIdentifier,
                                                        std::string_view /*urlScheme*/) {
  auto contents = tableFile().read();
  if (contents.state != SharedPlistFile::State::Valid) return std::nullopt;
  const PlistValue* entry = contents.value.get(displayIdentifier);
  const PlistValue* value = entry ? entry->get(key) : nullptr;
  if (!value) return std::nullopt;
  return *value;
}

bool SBDisplay::setDefaultValue(const PlistValue& value, std::string_view forKey, std::string_view displayIdentifier) {
  bool unchanged = false;
  bool written = tableFile().update([&](SharedPlistFile::Contents& contents) {
    if (contents.value.isNone()) contents.value = PlistValue::dict();
    PlistValue entry = contents.value.get(displayIdentifier) ? *contents.value.get(displayIdentifier) : PlistValue::dict();
    if (value.isNone()) {
      if (!entry.remove(forKey)) {
        unchanged = true;  // nothing stored, nothing to write
        return false;
      }
    } else {
      entry.set(std::string(forKey), value);
    }
    if (entry.count() == 0)
      contents.value.remove(displayIdentifier);
    else
      contents.value.set(std::string(displayIdentifier), std::move(entry));
    return true;
  });
  return written || unchanged;
}

}  // namespace kestrel
