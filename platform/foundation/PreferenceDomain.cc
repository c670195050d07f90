#include "platform/foundation/PreferenceDomain.h"

#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

bool isUsableName(std::string_view domain) {
  if (domain.empty() || domain.size() > PreferenceDomain::kMaxDomainBytes || domain.front() == '.') return false;
  for (unsigned char c : domain)
    if (c == '/' || c < 0x20 || c == 0x7f) return false;
  return true;
}

}  // namespace

std::optional<std::string> PreferenceDomain::devicePathForDomain(std::string_view domain) {
  if (!isUsableName(domain)) return std::nullopt;
  return std::string(kDeviceFolder) + "/" + std::string(domain) + ".plist";
}

PreferenceDomain::PreferenceDomain(std::string domain) : domain_(std::move(domain)) {
  if (auto path = devicePathForDomain(domain_)) {
    file_.emplace(Device::path(*path), "preferences " + domain_,
                  [](const PlistValue& value) { return value.isDict(); });
  } else {
    KSLog("KS:Platform: Unusable preference domain name: %@", domain_.substr(0, 64));
  }
}

void PreferenceDomain::loadIfNeeded() const {
  if (view_) return;
  view_.emplace();
  if (!file_) return;
  auto contents = file_->read();
  if (contents.state == SharedPlistFile::State::Valid) *view_ = *contents.value.asDict();
}

PlistValue PreferenceDomain::dictionary() const {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  return PlistValue(*view_);
}

std::optional<PlistValue> PreferenceDomain::valueForKey(std::string_view key) const {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  auto it = view_->find(key);
  if (it == view_->end()) return std::nullopt;
  return it->second;
}

void PreferenceDomain::setValue(const std::string& key, PlistValue value) {
  if (value.isNone()) {
    removeValue(key);
    return;
  }
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  (*view_)[key] = value;
  pending_[key] = std::move(value);
}

void PreferenceDomain::removeValue(const std::string& key) {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  view_->erase(key);
  pending_[key] = std::nullopt;
}

bool PreferenceDomain::hasUnsynchronizedChanges() const {
  std::lock_guard lock(mutex_);
  return !pending_.empty();
}

bool PreferenceDomain::synchronize() {
  std::lock_guard lock(mutex_);
  if (!file_) {
    view_.emplace();
    if (!pending_.empty()) KSLog("KS:Platform: Cannot write unusable preference domain %@", domain_.substr(0, 64));
    return false;
  }
  if (pending_.empty()) {
    auto contents = file_->read();
    view_ = contents.state == SharedPlistFile::State::Valid ? *contents.value.asDict() : PlistValue::Dict{};
    return true;
  }
  PlistValue::Dict merged;
  bool written = file_->update([&](SharedPlistFile::Contents& current) {
    merged = current.state == SharedPlistFile::State::Valid ? *current.value.asDict() : PlistValue::Dict{};
    for (const auto& [key, value] : pending_) {
      if (value)
        merged[key] = *value;
      else
        merged.erase(key);
    }
    current.value = PlistValue(merged);
    return true;
  });
  if (!written) return false;
  pending_.clear();
  view_ = std::move(merged);
  return true;
}

}  // namespace kestrel
