// Internal to the calendar store: the event series of each item file, as last parsed.
// Guarded by the store's lock.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/calendarstore/internal/StoreFolders.h"
#include "platform/calendarstore/internal/VEventCodec.h"

namespace kestrel::internal {

struct EventFileCache {
  struct ParsedFile {
    FileStamp stamp;
    std::string calendarIdentifier;
    std::vector<EventSeries> series;
  };
  std::map<std::string, ParsedFile> files;      // by local file path
  std::set<std::string> reportedDuplicates;     // local paths already logged
  std::set<std::string> reportedFolders;        // unreadable folders already logged
  std::set<std::string> reportedTorn;           // files seen half-written, already logged
};

}  // namespace kestrel::internal
