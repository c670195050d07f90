#include "runtime/FWDetailListSection.h"

#include "runtime/FWClassName.h"

FWDetailListSection::FWDetailListSection(FWDetailListEntries entries, std::optional<std::string> title)
    : title_(std::move(title)), entries_(std::move(entries)) {}

Ref<FWDetailListSection> FWDetailListSection::sectionForElements(const FWDetailListEntries& elements) {
  return std::make_shared<FWDetailListSection>(elements, std::nullopt);
}

Ref<FWDetailListSection> FWDetailListSection::sectionForElements(const FWDetailListEntries& elements,
                                                                 std::optional<std::string> withTitle) {
  return std::make_shared<FWDetailListSection>(elements, std::move(withTitle));
}

Ref<FWDetailListSection> FWDetailListSection::withExtraSeparatorSpace(double space) {
  extraSeparatorSpace_ = space;
  return shared_from_this();
}

Ref<FWDetailListSection> FWDetailListSection::withDraggableType() {
  draggable_ = true;
  return shared_from_this();
}

std::string FWDetailListSection::description() const {
  std::string out = KSFormat("<%@: %p; title = %@; draggable = %i; entries = (", FWClassName(typeid(*this)),
                             this, title_, draggable_);
  for (const auto& entry : entries_) {
    out += "\r    ";
    out += entry ? entry->description() : std::string("(null)");
  }
  out += ")>";
  return out;
}
