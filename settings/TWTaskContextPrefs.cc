#include "settings/TWTaskContextPrefs.h"

#include <algorithm>
#include <cstdint>

#include "model/TWOptions.h"
#include "platform/foundation/PreferenceDomain.h"
#include "settings/TWContextListPrefs.h"

using kestrel::PSSpecifier;

std::vector<Ref<PSSpecifier>> TWTaskContextPrefs::loadSpecifiers() {
  const std::string domain = paneDomain();
  auto found = TWSettingsContexts(domain.empty() ? "TWSettings" : domain);
  std::vector<Ref<PSSpecifier>> rows;
  for (const auto& context : found) {
    auto row = switchRow(context->title(), false);
    row->setProperty("contextKey", std::to_string(context->key()));
    rows.push_back(std::move(row));
  }
  if (found.empty()) {
    auto note = PSSpecifier::groupSpecifierWithName("");
    note->setProperty("footerText", localise("Filters/Taskwell Not Found"));
    rows.push_back(std::move(note));
  }
  contexts.reset();
  return rows;
}

bool TWTaskContextPrefs::stateForSpecifier(PSSpecifier& row) {
  std::string domain = domainOf(row);
  if (!contexts) {
    contexts.emplace();
    contexts->reserve(10);
    auto stored = kestrel::PreferenceDomain(domain).valueForKey(kTWTaskOptionsDefaultContexts);
    if (stored && stored->isArray())
      for (const auto& v : *stored->asArray())
        if (auto key = keyText(v); !key.empty()) contexts->push_back(key);
  }
  return std::find(contexts->begin(), contexts->end(), row.stringProperty("contextKey")) != contexts->end();
}

void TWTaskContextPrefs::setState(bool state, PSSpecifier& row) {
  std::string domain = domainOf(row);
  // An unread set is read first: starting from an empty one would drop the stored defaults.
  if (!contexts) stateForSpecifier(row);
  const std::string key = row.stringProperty("contextKey");
  auto at = std::find(contexts->begin(), contexts->end(), key);
  if (state && at == contexts->end()) contexts->push_back(key);
  if (!state && at != contexts->end()) contexts->erase(at);

  kestrel::PreferenceDomain preferences(domain);
  PlistValue::Array list;
  for (const auto& k : *contexts) list.push_back(PlistValue(k));
  preferences.setValue(kTWTaskOptionsDefaultContexts, PlistValue(list));
  auto counter = preferences.valueForKey(kTWTaskOptionsDefaultContextsUpdates);
  int64_t updates = counter && counter->integerValue() ? *counter->integerValue() : 0;
  // The plug-in compares the counter as a 32-bit number; a stored value at its end (or
  // below 0) starts again at 1, which still differs from what the plug-in last saw.
  updates = updates < 0 || updates >= INT32_MAX ? 1 : updates + 1;
  preferences.setValue(kTWTaskOptionsDefaultContextsUpdates, PlistValue(updates));
  if (!preferences.synchronize()) setProblem(localise("Filters/Cannot Save"));
}
