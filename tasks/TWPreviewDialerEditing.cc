// TWPreview: editing the dialer page — which rows may go, where dragged rows land, and
// keeping the elements section complete and the dial button's number current.
#include <algorithm>

#include "tasks/TWPreview.h"

namespace {

constexpr int32_t kButtonSection = 0;
constexpr int32_t kNumberSection = 1;
constexpr int32_t kElementsSection = 2;
// Dial elements (star, hash, pause) carry keys above this; found numbers their position.
constexpr int64_t kLastNumberKey = 8999;

std::optional<int64_t> keyOf(const Ref<FWDetailListEntry>& entry) {
  return entry ? entry->key().integerValue() : std::nullopt;
}

bool isElement(const Ref<FWDetailListEntry>& entry) {
  const auto key = keyOf(entry);
  return key && *key > kLastNumberKey;
}

// The section at `index` of a dialer page, or none when the page is not one.
Ref<FWDetailListSection> sectionAt(const FWDetailListSections& sections, int32_t index) {
  return index >= 0 && size_t(index) < sections.size() ? sections[size_t(index)] : nullptr;
}

// Whether another entry than `entry` in `entries` has its key.
bool holdsOtherWithKey(const FWDetailListEntries& entries, const Ref<FWDetailListEntry>& entry) {
  const auto key = keyOf(entry);
  return std::any_of(entries.begin(), entries.end(),
                     [&](const Ref<FWDetailListEntry>& other) { return other != entry && keyOf(other) == key; });
}

}  // namespace

int32_t TWPreview::locationForEntry(const Ref<FWDetailListEntry>& entry, const Ref<FWDetailListSection>& section) {
  const auto key = keyOf(entry);
  if (!key || !section) return -1;
  const auto& entries = section->entries();
  for (size_t row = 0; row < entries.size(); ++row) {
    const auto other = keyOf(entries[row]);
    if (other && *other >= *key) return int32_t(row);
  }
  return -1;
}

bool TWPreview::allowDelete(const Ref<FWDetailListEntry>& entry, FWIndexPath indexPath) {
  return indexPath.section == kNumberSection;
}

void TWPreview::deletedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections& sections,
                             FWIndexPath indexPath) {
  if (!entry || isElement(entry) || !keyOf(entry)) return;
  auto elements = sectionAt(sections, kElementsSection);
  if (!elements) return;
  auto& entries = elements->entries();
  // A number offered twice would dial twice when both are dragged back.
  if (holdsOtherWithKey(entries, entry) || std::find(entries.begin(), entries.end(), entry) != entries.end()) return;
  const int32_t row = locationForEntry(entry, elements);
  entries.insert(row < 0 ? entries.end() : entries.begin() + row, entry);
}

void TWPreview::movedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections& sections,
                           FWIndexPath fromIndexPath, FWIndexPath toIndexPath) {
  if (!isElement(entry)) return;
  auto elements = sectionAt(sections, kElementsSection);
  if (!elements) return;
  auto& entries = elements->entries();
  if (fromIndexPath.section == kElementsSection && toIndexPath.section == kNumberSection) {
    if (holdsOtherWithKey(entries, entry)) return;
    const size_t row = std::min(size_t(std::max(0, fromIndexPath.row)), entries.size());
    entries.insert(entries.begin() + std::ptrdiff_t(row), entry->copyWithZone());
  } else if (fromIndexPath.section == kNumberSection && toIndexPath.section == kElementsSection) {
    // Only a duplicate goes: an element that is not there otherwise stays, so none is lost.
    if (toIndexPath.row < 0 || size_t(toIndexPath.row) >= entries.size()) return;
    const auto landed = entries[size_t(toIndexPath.row)];
    if (landed == entry && holdsOtherWithKey(entries, entry)) entries.erase(entries.begin() + toIndexPath.row);
  }
}

std::optional<int32_t> TWPreview::targetIndexForMove(const Ref<FWDetailListEntry>& entry,
                                                     const Ref<FWDetailListSection>& toSection,
                                                     FWIndexPath proposedIndexPath) {
  if (proposedIndexPath.section == kNumberSection) {
    if (isElement(entry) && proposedIndexPath.row == 0) {
      // Row 1 exists only when something else is in the number; in an empty number the
      // element's only place is row 0.
      if (!toSection) return 0;
      const auto& entries = toSection->entries();
      const bool others = std::any_of(entries.begin(), entries.end(),
                                      [&](const Ref<FWDetailListEntry>& other) { return other != entry; });
      return others ? 1 : 0;
    }
    return proposedIndexPath.row;
  }
  const int32_t row = locationForEntry(entry, toSection);
  return row < 0 ? proposedIndexPath.row : row;
}

void TWPreview::tableReordered(const FWDetailListSections& sections) {
  auto head = sectionAt(sections, kButtonSection);
  auto number = sectionAt(sections, kNumberSection);
  if (!head || !number || head->entries().empty()) return;
  // Whatever the edit (the first number deleted, moved down or out), a number never starts
  // with a dial element: the elements left heading it followed a number that is no longer
  // there. The elements section keeps its own copies.
  auto& digits = number->entries();
  const auto firstNumber = std::find_if_not(digits.begin(), digits.end(), isElement);
  digits.erase(digits.begin(), firstNumber);
  const auto& button = head->entries().back();
  if (!button || !button->isButton()) return;
  button->setTitle(makePhoneNumber(number->entries()));
}
