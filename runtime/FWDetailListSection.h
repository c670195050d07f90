// FWDetailListSection: one group of rows on a drill-down page, with an optional header
// title, the gap under it and whether rows may be dragged into it.
//
// Sections are made with the factories and shaped with the chaining modifiers:
//   FWDetailListSection::sectionForElements(entries, "Alarms")->withExtraSeparatorSpace(8)
// The section keeps its own copy of the given list; the page view changes that list in
// place when the user deletes or moves rows. The title is fixed at creation.
//
// Ownership: a section owns its title and its list, and shares the entries in it.
// REQUIRES: sections live in a std::shared_ptr (the factories make them so).
// Threads: main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FWDetailListEntry.h"

class FWDetailListSection : public std::enable_shared_from_this<FWDetailListSection> {
 public:
  FWDetailListSection(FWDetailListEntries entries, std::optional<std::string> title);
  virtual ~FWDetailListSection() = default;

  // An untitled section holding a copy of `elements`.
  static Ref<FWDetailListSection> sectionForElements(const FWDetailListEntries& elements);
  static Ref<FWDetailListSection> sectionForElements(const FWDetailListEntries& elements,
                                                     std::optional<std::string> withTitle);

  Ref<FWDetailListSection> withExtraSeparatorSpace(double space);
  Ref<FWDetailListSection> withDraggableType();

  // Height of the gap under the section; the page uses at least 1.
  double extraSeparatorSpace() const { return extraSeparatorSpace_; }
  void setExtraSeparatorSpace(double space) { extraSeparatorSpace_ = space; }
  const std::optional<std::string>& title() const { return title_; }
  FWDetailListEntries& entries() { return entries_; }
  const FWDetailListEntries& entries() const { return entries_; }
  bool isDraggable() const { return draggable_; }
  void setDraggable(bool draggable) { draggable_ = draggable; }

  // "<FWDetailListSection: 0x...; title = ...; draggable = 0; entries = (" then each entry's
  // description after a carriage return and four spaces, then ")>".
  std::string description() const;

 private:
  double extraSeparatorSpace_ = 0;
  const std::optional<std::string> title_;
  FWDetailListEntries entries_;
  bool draggable_ = false;
};

using FWDetailListSections = std::vector<Ref<FWDetailListSection>>;
