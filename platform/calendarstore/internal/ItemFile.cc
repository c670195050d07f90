#include "platform/calendarstore/internal/ItemFile.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/foundation/Files.h"

namespace kestrel::internal {
namespace {

constexpr const char* kProductId = "-//Kestrel//Calendar Store//EN";
constexpr const char* kHarmlessError = "No value for ";

// Deepest BEGIN nesting in the text, counted line by line before libical sees it.
int nestingDepth(std::string_view text) {
  int depth = 0, deepest = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    if (line.size() >= 6 && strncasecmp(line.data(), "BEGIN:", 6) == 0) {
      deepest = std::max(deepest, ++depth);
    } else if (line.size() >= 4 && strncasecmp(line.data(), "END:", 4) == 0) {
      depth = std::max(0, depth - 1);
    }
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return deepest;
}

template <class Visit>
void forEachErrorProperty(icalcomponent* component, const Visit& visit) {
  std::vector<icalproperty*> errors;
  for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
       p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY))
    errors.push_back(p);
  for (icalproperty* p : errors) visit(component, p);
  std::vector<icalcomponent*> children;
  for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
       c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
    children.push_back(c);
  for (icalcomponent* c : children) forEachErrorProperty(c, visit);
}

}  // namespace

std::optional<ItemFile> ItemFile::load(const std::string& localPath, std::string* problem) {
  auto size = files::size(localPath);
  if (!size) {
    *problem = "cannot read the file";
    return std::nullopt;
  }
  if (*size > kMaxFileSize) {
    *problem = "file too large (" + std::to_string(*size) + " bytes)";
    return std::nullopt;
  }
  auto text = files::readText(localPath);
  if (!text) {
    *problem = "cannot read the file";
    return std::nullopt;
  }
  return parse(*text, problem);
}

std::optional<ItemFile> ItemFile::parse(std::string_view text, std::string* problem) {
  if (text.size() > kMaxFileSize) {
    *problem = "file too large (" + std::to_string(text.size()) + " bytes)";
    return std::nullopt;
  }
  if (text.find('\0') != std::string_view::npos) {
    *problem = "binary data in the file";
    return std::nullopt;
  }
  if (nestingDepth(text) > kMaxNesting) {
    *problem = "components nested too deeply";
    return std::nullopt;
  }
  std::string owned(text);
  icalcomponent* root = icalparser_parse_string(owned.c_str());
  icalerror_clear_errno();
  if (!root) {
    *problem = "not an iCalendar file";
    return std::nullopt;
  }
  return ItemFile(root);
}

ItemFile ItemFile::newCalendar() {
  icalcomponent* vcalendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
  icalcomponent_add_property(vcalendar, icalproperty_new_version("2.0"));
  icalcomponent_add_property(vcalendar, icalproperty_new_prodid(kProductId));
  return ItemFile(vcalendar);
}

std::vector<icalcomponent*> ItemFile::calendars() const {
  std::vector<icalcomponent*> out;
  icalcomponent_kind kind = icalcomponent_isa(root_.get());
  if (kind == ICAL_VCALENDAR_COMPONENT) {
    out.push_back(root_.get());
  } else if (kind == ICAL_XROOT_COMPONENT) {
    for (icalcomponent* c = icalcomponent_get_first_component(root_.get(), ICAL_VCALENDAR_COMPONENT); c;
         c = icalcomponent_get_next_component(root_.get(), ICAL_VCALENDAR_COMPONENT))
      out.push_back(c);
  }
  return out;
}

std::vector<ItemFile::Item> ItemFile::items(icalcomponent_kind kind) const {
  std::vector<Item> out;
  if (icalcomponent_isa(root_.get()) == kind) {
    out.push_back({root_.get(), nullptr});
    return out;
  }
  for (icalcomponent* vcalendar : calendars()) {
    for (icalcomponent* c = icalcomponent_get_first_component(vcalendar, kind); c;
         c = icalcomponent_get_next_component(vcalendar, kind))
      out.push_back({c, vcalendar});
  }
  return out;
}

icalcomponent* ItemFile::firstCalendar() const {
  auto all = calendars();
  return all.empty() ? nullptr : all.front();
}

bool ItemFile::hasItems() const {
  return !items(ICAL_VTODO_COMPONENT).empty() || !items(ICAL_VEVENT_COMPONENT).empty() ||
         !items(ICAL_VJOURNAL_COMPONENT).empty();
}

void ItemFile::removeItem(const Item& item) {
  if (!item.vcalendar) return;
  icalcomponent_remove_component(item.vcalendar, item.component);
  icalcomponent_free(item.component);
}

bool ItemFile::canRewrite(std::string* reason) const {
  if (calendars().empty()) {
    *reason = "the file holds no VCALENDAR";
    return false;
  }
  bool lossy = false;
  forEachErrorProperty(root_.get(), [&](icalcomponent*, icalproperty* p) {
    const char* message = icalproperty_get_xlicerror(p);
    if (!message || std::string_view(message).substr(0, std::strlen(kHarmlessError)) != kHarmlessError) {
      if (!lossy) *reason = std::string("unreadable content: ") + (message ? message : "?");
      lossy = true;
    }
  });
  return !lossy;
}

std::string ItemFile::serialize() {
  forEachErrorProperty(root_.get(), [](icalcomponent* owner, icalproperty* p) {
    icalcomponent_remove_property(owner, p);
    icalproperty_free(p);
  });
  std::string out;
  for (icalcomponent* vcalendar : calendars()) {
    char* text = icalcomponent_as_ical_string_r(vcalendar);
    if (text) out += text;
    icalmemory_free_buffer(text);
  }
  return out;
}

}  // namespace kestrel::internal
