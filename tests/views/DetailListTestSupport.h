// A page delegate whose abilities and answers each test sets, recording every call it
// gets, and a fixture that makes page views over it in a fresh device root.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/RunLoop.h"
#include "platform/ui/View.h"
#include "runtime/FWApplication.h"
#include "runtime/FWImages.h"
#include "tests/support/TempDeviceRoot.h"
#include "views/FWDetailListView.h"

namespace pages {

inline std::string itemName(const FWDetailItem& item) {
  if (const auto* text = std::any_cast<std::string>(&item)) return *text;
  return "?";
}

inline FWDetailItems items(std::initializer_list<const char*> names) {
  FWDetailItems list;
  for (const char* name : names) list.emplace_back(std::string(name));
  return list;
}

class ScriptedDelegate : public FWDetailListViewDelegate {
 public:
  // The sections of a page; by default one section with the item's name and the key.
  std::function<FWDetailListSections(const std::string& item, const PlistValue& key)> pages;
  bool answersDone = false, answersCancel = false, answersSelect = false;
  bool closes = false;  // the answer of Done, Cancel, Select and in-row buttons
  bool deletable = false;
  std::map<std::string, FWDetailItems> subLists;   // link key → new list
  std::map<std::string, std::string> texts;        // link key → text page
  std::map<std::string, FWView> views;             // link key → view page
  std::map<std::string, std::string> popups;       // link key → instruction
  std::optional<int32_t> moveTarget;
  std::optional<bool> reloadWhenReordered;
  std::optional<FWBarItems> toolbar;
  std::vector<std::string> calls;
  std::vector<int32_t> depths;
  FWDetailListSections lastSections;

  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>&) override {
    calls.push_back("data " + itemName(item) + (key.isNone() ? "" : " " + key.description()));
    if (pages) return pages(itemName(item), key);
    return {FWDetailListSection::sectionForElements({FWDetailListEntry::entryWithTitle(itemName(item))})};
  }
  void willShowBasePage(const FWDetailItem& item) override { calls.push_back("willShowBasePage " + itemName(item)); }
  std::optional<FWBarItems> toolbarForDetailListPage(const FWDetailItem&, const PlistValue&,
                                                     const Ref<FWApplication>&) override {
    return toolbar;
  }
  std::optional<std::string> listPagePopupForKey(const PlistValue& key, const FWDetailItem&, int32_t depth,
                                                 const Ref<FWApplication>&) override {
    return find(popups, key);
  }
  std::optional<std::string> listPageTextForKey(const PlistValue& key, const FWDetailItem&, int32_t depth,
                                                const Ref<FWApplication>&) override {
    depths.push_back(depth);
    return find(texts, key);
  }
  std::optional<bool> listPageTextScrollToEndForKey(const PlistValue& key, const FWDetailItem&, int32_t,
                                                    const Ref<FWApplication>&) override {
    return key.description() == "log";
  }
  FWView listPageViewForKey(const PlistValue& key, const FWDetailItem&, int32_t, const FWRect&,
                            const Ref<FWApplication>&) override {
    auto it = views.find(key.description());
    return it == views.end() ? nullptr : it->second;
  }
  std::optional<FWDetailItems> listPageInfoForKey(const PlistValue& key, const FWDetailItem&, int32_t,
                                                  const Ref<FWApplication>&) override {
    auto it = subLists.find(key.description());
    if (it == subLists.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> captionForListPage(const FWDetailItems& list, const PlistValue& key, int32_t depth,
                                                const Ref<FWApplication>&) override {
    return "Sub " + key.description() + " of " + std::to_string(list.size());
  }
  std::optional<std::string> doneButtonCaptionForKey(const PlistValue& key, const FWDetailItem& current, int32_t,
                                                     const Ref<FWApplication>&) override {
    if (key.description() == "close") return "Close " + itemName(current);
    return std::nullopt;
  }
  bool respondsToDoneClicked() const override { return answersDone; }
  bool doneClicked(const Ref<FWApplication>&, const FWDetailListSections& sections) override {
    calls.push_back("done");
    lastSections = sections;
    return closes;
  }
  bool respondsToCancelClicked() const override { return answersCancel; }
  bool cancelClicked(const Ref<FWApplication>&, const FWDetailListSections&) override {
    calls.push_back("cancel");
    return closes;
  }
  bool respondsToSelectClicked() const override { return answersSelect; }
  bool selectClicked(const Ref<FWApplication>&, const FWDetailListSections&) override {
    calls.push_back("select");
    return closes;
  }
  bool buttonClicked(const Ref<FWApplication>&, const FWDetailListSections&,
                     const Ref<FWDetailListEntry>& button) override {
    calls.push_back("button " + button->key().description());
    return closes;
  }
  void switchChanged(const Ref<FWApplication>&, const FWDetailListSections&) override { calls.push_back("switch"); }
  bool allowDelete(const Ref<FWDetailListEntry>&, FWIndexPath) override { return deletable; }
  void deletedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections&, FWIndexPath at) override {
    calls.push_back("deleted " + entry->title().value_or("") + " at " + std::to_string(at.section) + "." +
                    std::to_string(at.row));
  }
  void movedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections&, FWIndexPath from,
                  FWIndexPath to) override {
    calls.push_back("moved " + entry->title().value_or("") + " to " + std::to_string(to.section) + "." +
                    std::to_string(to.row));
  }
  std::optional<int32_t> targetIndexForMove(const Ref<FWDetailListEntry>&, const Ref<FWDetailListSection>&,
                                            FWIndexPath) override {
    return moveTarget;
  }
  void tableReordered(const FWDetailListSections&) override { calls.push_back("reordered"); }
  std::optional<bool> shouldReloadWhenTableReordered(const FWDetailListSections&) override {
    return reloadWhenReordered;
  }

  bool called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

 private:
  static std::optional<std::string> find(const std::map<std::string, std::string>& map, const PlistValue& key) {
    auto it = map.find(key.description());
    if (it == map.end()) return std::nullopt;
    return it->second;
  }
};

class DetailListFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    bundle = kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle");
    FWSetImageBundle(bundle);
    application = std::make_shared<FWApplication>();
    application->setPluginBundle(bundle);
    delegate = std::make_shared<ScriptedDelegate>();
  }
  void TearDown() override {
    FWPopupView::finishAll();
    FWSetImageBundle(nullptr);
  }

  std::shared_ptr<FWDetailListView> makeView(FWDetailItems list, int index = 0, const std::string& caption = {}) {
    auto view = FWDetailListView::initWithFrame({0, 0, 320, 460}, std::move(list), index, caption, application,
                                                delegate);
    if (view) view->layoutIfNeeded();
    return view;
  }
  // Runs what the view left for the next turn of the run loop.
  static void nextTurn() { kestrel::RunLoop::main().pump(); }

  kestrel::test::TempDeviceRoot root;
  std::shared_ptr<kestrel::Bundle> bundle;
  Ref<FWApplication> application;
  Ref<ScriptedDelegate> delegate;
};

// A section of plain entries with the given titles.
inline Ref<FWDetailListSection> section(std::initializer_list<const char*> titles,
                                        std::optional<std::string> title = std::nullopt) {
  FWDetailListEntries entries;
  for (const char* t : titles) entries.push_back(FWDetailListEntry::entryWithTitle(std::string(t)));
  return FWDetailListSection::sectionForElements(entries, std::move(title));
}

inline std::vector<std::string> titles(const Ref<FWDetailListSection>& section) {
  std::vector<std::string> out;
  for (const auto& entry : section->entries()) out.push_back(entry->title().value_or(""));
  return out;
}

}  // namespace pages
