#include "tasks/TWContextSelectList.h"

#include <limits>

#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "platform/foundation/PreferenceDomain.h"
#include "runtime/FWLogging.h"
#include "tasks/TWTaskPlugin.h"

namespace {

std::string preferencesDomainOf(const Ref<FWApplication>& application) {
  auto plugin = application ? application->fwPlugin() : nullptr;
  auto host = plugin ? plugin->ksPlugin() : nullptr;
  return host ? host->preferencesDomain() : std::string();
}

}  // namespace

TWContextArray TWContextSelectList::storedContexts(const Ref<FWApplication>& application, const std::string& key,
                                                   const TWContextArray& contexts) {
  const std::string domain = preferencesDomainOf(application);
  if (domain.empty()) return {};
  auto stored = kestrel::PreferenceDomain(domain).valueForKey(key);
  TWContextArray found;
  if (!stored || !stored->asArray()) return found;
  for (const PlistValue& entry : *stored->asArray()) {
    // Keys are written as strings; anything that is not a whole number is skipped.
    std::optional<int64_t> number = entry.integerValue();
    if (!number || *number < std::numeric_limits<int32_t>::min() || *number > std::numeric_limits<int32_t>::max())
      continue;
    if (auto context = twContextForKey(contexts, static_cast<int32_t>(*number)))
      found.push_back(TWContext::contextForKey(context->key(), context->title(), true));
  }
  return found;
}

FWDetailListSections TWContextSelectList::dataForDetailListPage(const FWDetailItem&, const PlistValue&,
                                                                const Ref<FWApplication>& application) {
  const TWContextArray contexts = loadContexts(application);
  auto attribute = application ? application->attribute<TWContextArray>(key_) : std::nullopt;
  current_ = attribute ? *attribute : storedContexts(application, key_, contexts);
  FWDetailListEntries entries;
  for (const auto& context : contexts) {
    auto entry = entryForContext(*context, twContextForKey(current_, context->key()) != nullptr);
    entry->setSwitcher(true);
    entries.push_back(entry);
  }
  return {FWDetailListSection::sectionForElements(entries)};
}

bool TWContextSelectList::selectClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) {
  auto controller = controllerOf(application);
  auto status = controller ? controller->status() : nullptr;
  if (!status) return true;
  TWContextArray chosen;
  PlistValue::Array storedKeys;
  if (!sections.empty() && sections.front()) {
    for (const auto& entry : sections.front()->entries()) {
      if (!entry || !entry->value().boolValue().value_or(false)) continue;
      auto number = entry->key().integerValue();
      if (!number || *number < std::numeric_limits<int32_t>::min() || *number > std::numeric_limits<int32_t>::max())
        continue;
      chosen.push_back(TWContext::contextForKey(static_cast<int32_t>(*number), entry->title().value_or(""), true));
      storedKeys.push_back(PlistValue(std::to_string(*number)));
    }
  }
  application->setAttribute(key_, chosen);
  application->setAttribute(kTWApplicationContextFixed, chosen);
  if (const std::string domain = preferencesDomainOf(application); !domain.empty()) {
    kestrel::PreferenceDomain preferences(domain);
    preferences.setValue(key_, PlistValue(std::move(storedKeys)));
    if (!preferences.synchronize()) KSLog("KS:TWTask: Could not store the manual contexts in %@", domain);
  }
  status->setFixedContextOn(true);
  status->setAutoContextOn(status->isAutoContextOn() && combineMode());
  contextModeChanged(*controller);
  return true;
}
