#include "platform/calendarstore/internal/ItemFile.h"

#include <strings.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

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

constexpr int kReadAttempts = 3;
constexpr auto kRetryPause = std::chrono::milliseconds(15);
// A file changed longer ago than this that ends inside a component is damaged, not unfinished.
constexpr int64_t kWritingWindowNs = 2'000'000'000;

bool sameVersion(const struct stat& a, const struct stat& b) {
  return a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

bool justModified(const struct stat& st) {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  int64_t age = (static_cast<int64_t>(now.tv_sec) - st.st_mtim.tv_sec) * 1'000'000'000 + (now.tv_nsec - st.st_mtim.tv_nsec);
  return age < kWritingWindowNs;
}

// Whether the text's last line closes the component its first line opens.
bool isComplete(std::string_view text) {
  auto trimmedLine = [](std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
  };
  size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return false;
  size_t firstEnd = text.find('\n', start);
  std::string_view first = trimmedLine(text.substr(start, firstEnd == std::string_view::npos ? std::string_view::npos : firstEnd - start));
  size_t last = text.find_last_not_of(" \t\r\n");
  size_t lastStart = text.rfind('\n', last);
  lastStart = lastStart == std::string_view::npos ? 0 : lastStart + 1;
  std::string_view final = trimmedLine(text.substr(lastStart, last + 1 - lastStart));
  if (first.size() < 6 || strncasecmp(first.data(), "BEGIN:", 6) != 0 || final.size() < 4 ||
      strncasecmp(final.data(), "END:", 4) != 0)
    return false;
  std::string_view opened = first.substr(6), closed = final.substr(4);
  return opened.size() == closed.size() && strncasecmp(opened.data(), closed.data(), opened.size()) == 0;
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

std::optional<ItemFile> ItemFile::load(const std::string& localPath, std::string* problem, bool* beingWritten) {
  if (beingWritten) *beingWritten = false;
  for (int attempt = 0;; ++attempt) {
    struct stat before, after;
    if (::stat(localPath.c_str(), &before) != 0) {
      *problem = "cannot read the file";
      return std::nullopt;
    }
    if (static_cast<uint64_t>(before.st_size) > kMaxFileSize) {
      *problem = "file too large (" + std::to_string(before.st_size) + " bytes)";
      return std::nullopt;
    }
    auto text = files::readText(localPath);
    if (!text) {
      *problem = "cannot read the file";
      return std::nullopt;
    }
    bool changed = ::stat(localPath.c_str(), &after) != 0 || !sameVersion(before, after);
    // Only what starts as iCalendar can be half of one; anything else is simply refused.
    bool startsAsCalendar = text->size() >= 6 && strncasecmp(text->c_str(), "BEGIN:", 6) == 0 &&
                            text->find('\0') == std::string::npos;
    if (!changed && (!startsAsCalendar || isComplete(*text) || !justModified(after))) return parse(*text, problem);
    if (attempt + 1 >= kReadAttempts) break;
    std::this_thread::sleep_for(kRetryPause * (attempt + 1));
  }
  *problem = "being written by another program; read once it is complete";
  if (beingWritten) *beingWritten = true;
  return std::nullopt;
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
