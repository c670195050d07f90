// TWPreview: the phone dialer page — finding numbers in a text, the page, and dialling.
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWPreview.h"

namespace {

constexpr int64_t kDialStar = 9000;
constexpr int64_t kDialHash = 9001;
constexpr int64_t kDialPause = 9002;
constexpr size_t kMaxNumbers = 10;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNumberTail(char c) { return isDigit(c) || c == '-' || c == '#' || c == '*'; }

}  // namespace

std::optional<std::vector<std::string>> TWPreview::numbersFromString(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  const std::string& s = *text;
  std::vector<std::string> numbers;
  size_t total = 0;
  bool longEnough = false;
  for (size_t i = 0; i < s.size();) {
    size_t start = i;
    if (s[i] == '+' && i + 1 < s.size() && isDigit(s[i + 1])) ++i;
    else if (!isDigit(s[i])) {
      ++i;
      continue;
    }
    while (i < s.size() && isNumberTail(s[i])) ++i;
    // More numbers than a dialer can offer: no need to read further.
    if (numbers.size() == kMaxNumbers) return std::nullopt;
    numbers.push_back(s.substr(start, i - start));
    total += i - start;
    longEnough = longEnough || i - start >= 3;
  }
  if (numbers.empty() || !longEnough || total < 6) return std::nullopt;
  return numbers;
}

std::string TWPreview::makePhoneNumber(const FWDetailListEntries& entries) {
  std::string number;
  for (const auto& entry : entries) {
    if (!entry) continue;
    const auto key = entry->key().integerValue();
    std::string part = key == kDialStar    ? "*"
                       : key == kDialHash  ? "#"
                       : key == kDialPause ? ","
                                           : entry->title().value_or(std::string());
    if (!number.empty()) number += ' ';
    number += part;
  }
  std::erase(number, '-');
  return number;
}

FWDetailListSections TWPreview::dataForNumberListPage(const Ref<FWApplication>& application,
                                                      const std::optional<std::string>& string,
                                                      const std::optional<std::string>& prompt,
                                                      const Ref<Bundle>& bundle) {
  FWDetailListEntries found;
  const auto numbers = numbersFromString(string);
  if (numbers) {
    for (size_t i = 0; i < numbers->size(); ++i)
      found.push_back(FWDetailListEntry::entryWithTitle((*numbers)[i])->withDraggableType(PlistValue(int64_t(i))));
  }
  FWDetailListEntries head;
  if (prompt) head.push_back(FWDetailListEntry::entryWithTitle(*prompt)->withNoBold()->withSize(kFWDetailListViewSystemFontSize));
  head.push_back(FWDetailListEntry::entryWithTitle(makePhoneNumber(found), PlistValue(FWLocalise(bundle, "Detail/Dialer/Dial")))
                     ->withButtonType(PlistValue(std::string("dial"))));
  FWDetailListEntries elements;
  const std::pair<const char*, int64_t> named[] = {
      {"Detail/Dialer/Star", kDialStar}, {"Detail/Dialer/Hash", kDialHash}, {"Detail/Dialer/Pause", kDialPause}};
  for (const auto& [text, key] : named)
    elements.push_back(FWDetailListEntry::entryWithLocalisedTitle(text, bundle)->withDraggableType(PlistValue(key)));
  return {FWDetailListSection::sectionForElements(head),
          FWDetailListSection::sectionForElements(found, FWLocalise(bundle, "Detail/Dialer/Number"))->withDraggableType(),
          FWDetailListSection::sectionForElements(elements, FWLocalise(bundle, "Detail/Dialer/Elements"))
              ->withDraggableType(),
          FWDetailListSection::sectionForElements({}, std::string(" "))};
}

bool TWPreview::dialNumberForButton(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                                    const Ref<FWDetailListEntry>& button) {
  if (!button || !button->isButton() || sections.size() < 2 || !sections[0] || !sections[1]) return false;
  if (sections[0]->entries().empty() || sections[0]->entries().back() != button) return false;
  const std::string number = makePhoneNumber(sections[1]->entries());
  KSLog("KS:TWEvent: Dialing URL %@", "tel:" + number);
  // Nothing left to dial (every number deleted or never found): the page stays.
  if (number.empty()) return false;
  auto plugin = application ? application->fwPlugin() : nullptr;
  auto host = plugin ? plugin->ksPlugin() : nullptr;
  if (host && host->respondsToDialNumberNow()) host->dialNumberNow(number);
  return true;
}
