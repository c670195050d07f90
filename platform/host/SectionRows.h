// SectionRows: the rows of one plug-in's section as the host holds them.
//
// Rows are kept by unique id: publish() adds or replaces, remove() drops the named ids
// (unknown ids are ignored), and an empty publish is the plug-in saying "nothing changed".
// sortedRows() answers them by ascending "sortOrder", rows of equal order by unique id, so
// the order never depends on arrival. Every publish and remove call is also recorded, so a
// test can check that only changed rows were re-sent.
//
// The rows hold the plug-in's items and actions, whose code lives in the plug-in library:
// clear() must run before the library goes away. Thread-safe.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host/KSHost.h"

namespace kestrel {

class SectionRows {
 public:
  struct Call {
    enum class Kind { Publish, Remove };
    Kind kind;
    std::vector<Ref<KSData>> rows;
    std::vector<std::string> uniqueIDs() const;
  };

  void publish(const std::vector<Ref<KSData>>& rows);
  void remove(const std::vector<Ref<KSData>>& rows);

  std::vector<Ref<KSData>> sortedRows() const;
  Ref<KSData> row(const std::string& uniqueID) const;
  size_t count() const;

  std::vector<Call> calls() const;
  size_t emptyPublishCount() const;
  void clearCalls();
  // Drops the rows and the record of calls.
  void clear();

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Ref<KSData>> rows_;  // GUARDED_BY(mutex_); by unique id
  std::vector<Call> calls_;        // GUARDED_BY(mutex_)
  size_t emptyPublishes_ = 0;      // GUARDED_BY(mutex_)
};

}  // namespace kestrel
