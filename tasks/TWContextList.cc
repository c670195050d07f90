#include "tasks/TWContextList.h"

#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "tasks/TWTaskPlugin.h"

FWDetailListSections TWContextList::dataForDetailListPage(const FWDetailItem&, const PlistValue&,
                                                          const Ref<FWApplication>& application) {
  selected_ = TWIntegration::locationContextsFromTW();
  std::erase(selected_, nullptr);
  FWDetailListEntries entries;
  for (const auto& context : loadContexts(application)) {
    auto entry = entryForContext(*context, twContextForKey(selected_, context->key()) != nullptr);
    entry->setSelected(true);
    if (!context->locationAware()) entry->setColor(Color::lightGrayColor());
    entries.push_back(entry);
  }
  return {FWDetailListSection::sectionForElements(entries)};
}

bool TWContextList::selectClicked(const Ref<FWApplication>& application, const FWDetailListSections&) {
  auto controller = controllerOf(application);
  auto status = controller ? controller->status() : nullptr;
  if (!status) return true;
  application->setAttribute(kTWApplicationContextLocation, selected_);
  status->setAutoContextOn(true);
  status->setFixedContextOn(status->isFixedContextOn() && combineMode());
  contextModeChanged(*controller);
  return true;
}
