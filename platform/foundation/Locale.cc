#include "platform/foundation/Locale.h"

#include <unicode/locid.h>

#include <cstring>
#include <mutex>
#include <optional>

namespace kestrel {
namespace {

std::mutex gMutex;
std::optional<Locale> gCurrent;

// ICU accepts any text as a locale name and falls back to root data; only languages it
// really has data for are worth switching to.
bool hasDataForLanguage(const icu::Locale& locale) {
  const char* language = locale.getLanguage();
  if (!language || !*language) return false;
  int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  for (int32_t i = 0; i < count; ++i)
    if (std::strcmp(available[i].getLanguage(), language) == 0) return true;
  return false;
}

}  // namespace

Locale Locale::enUS() { return Locale("en_US", std::make_shared<const icu::Locale>("en_US")); }

Locale Locale::current() {
  std::lock_guard lock(gMutex);
  if (!gCurrent) gCurrent = enUS();
  return *gCurrent;
}

bool Locale::setCurrent(const std::string& identifier) {
  if (identifier.empty() || identifier.size() > 100) return false;
  auto locale = std::make_shared<icu::Locale>(icu::Locale::createCanonical(identifier.c_str()));
  if (locale->isBogus() || !hasDataForLanguage(*locale)) return false;
  std::string name = locale->getName();
  std::lock_guard lock(gMutex);
  gCurrent = Locale(std::move(name), std::move(locale));
  return true;
}

}  // namespace kestrel
