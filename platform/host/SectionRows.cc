#include "platform/host/SectionRows.h"

#include <algorithm>

#include "platform/foundation/Log.h"

namespace kestrel {

std::vector<std::string> SectionRows::Call::uniqueIDs() const {
  std::vector<std::string> ids;
  for (const auto& r : rows) ids.push_back(r ? r->uniqueID : std::string());
  return ids;
}

void SectionRows::publish(const std::vector<Ref<KSData>>& rows) {
  std::lock_guard lock(mutex_);
  if (rows.empty()) {
    ++emptyPublishes_;
    return;
  }
  Call call{Call::Kind::Publish, {}};
  for (const auto& r : rows) {
    if (!r) {
      KSLog("KS:Kestrel: Ignoring a published row that is none");
      continue;
    }
    call.rows.push_back(r);
    rows_[r->uniqueID] = r;
  }
  calls_.push_back(std::move(call));
}

void SectionRows::remove(const std::vector<Ref<KSData>>& rows) {
  std::lock_guard lock(mutex_);
  Call call{Call::Kind::Remove, {}};
  for (const auto& r : rows) {
    if (!r) continue;
    call.rows.push_back(r);
    rows_.erase(r->uniqueID);
  }
  calls_.push_back(std::move(call));
}

std::vector<Ref<KSData>> SectionRows::sortedRows() const {
  std::vector<std::pair<int64_t, Ref<KSData>>> keyed;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, r] : rows_) keyed.emplace_back(r->sortOrder(), r);
  }
  // Already in unique-id order, so a stable sort keeps that order among equal sort orders.
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Ref<KSData>> out;
  out.reserve(keyed.size());
  for (auto& [order, r] : keyed) out.push_back(std::move(r));
  return out;
}

Ref<KSData> SectionRows::row(const std::string& uniqueID) const {
  std::lock_guard lock(mutex_);
  auto it = rows_.find(uniqueID);
  return it == rows_.end() ? nullptr : it->second;
}

size_t SectionRows::count() const {
  std::lock_guard lock(mutex_);
  return rows_.size();
}

std::vector<SectionRows::Call> SectionRows::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

size_t SectionRows::emptyPublishCount() const {
  std::lock_guard lock(mutex_);
  return emptyPublishes_;
}

void SectionRows::clearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
  emptyPublishes_ = 0;
}

void SectionRows::clear() {
  std::map<std::string, Ref<KSData>> rows;
  std::vector<Call> calls;
  {
    std::lock_guard lock(mutex_);
    rows.swap(rows_);
    calls.swap(calls_);
    emptyPublishes_ = 0;
  }
  // The rows die here, outside the lock: an item's destructor may call back into the host.
}

}  // namespace kestrel
