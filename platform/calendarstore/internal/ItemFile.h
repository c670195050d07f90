// Internal to the calendar store: one .ics file, parsed with libical.
//
// Loading refuses what could hurt the reader (a file over kMaxFileSize, NUL bytes,
// components nested deeper than kMaxNesting) and what libical cannot parse at all, with a
// reason. A file that parsed with losses (libical marks each with X-LIC-ERROR) can still be
// read, but canRewrite() refuses to write it back unless the only losses were properties
// without a value, so that saving never drops what another program wrote. An ItemFile owns
// its component tree; the component pointers it hands out live as long as it does.
// Not thread-safe; use one per thread.
#pragma once

#include <libical/ical.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::internal {

class ItemFile {
 public:
  static constexpr uint64_t kMaxFileSize = 4 * 1024 * 1024;
  static constexpr int kMaxNesting = 16;

  // None, with the reason in *problem, for a file that cannot be read or parsed. A file that
  // changes while it is read, or was modified a moment ago and ends inside its component (a
  // program writing it in place), is read again a few times; when it stays so, *beingWritten
  // (if given) is set and nothing of it is answered, so a torn file is never shown.
  static std::optional<ItemFile> load(const std::string& localPath, std::string* problem,
                                      bool* beingWritten = nullptr);
  static std::optional<ItemFile> parse(std::string_view text, std::string* problem);
  // An empty VCALENDAR with VERSION and PRODID, for a new item.
  static ItemFile newCalendar();

  struct Item {
    icalcomponent* component;
    icalcomponent* vcalendar;
  };
  // Components of `kind` inside the file's VCALENDARs, in file order.
  std::vector<Item> items(icalcomponent_kind kind) const;
  // The first VCALENDAR (null for a bare component).
  icalcomponent* firstCalendar() const;
  // Whether a VTODO, VEVENT or VJOURNAL remains.
  bool hasItems() const;
  // Takes `item` out of the file and frees it.
  void removeItem(const Item& item);

  // False, with the reason, when writing would lose content or the file is not a VCALENDAR.
  bool canRewrite(std::string* reason) const;
  // The file's text, without libical's error markers.
  std::string serialize();

 private:
  struct Free {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
  };
  explicit ItemFile(icalcomponent* root) : root_(root) {}
  std::vector<icalcomponent*> calendars() const;

  std::unique_ptr<icalcomponent, Free> root_;
};

}  // namespace kestrel::internal
