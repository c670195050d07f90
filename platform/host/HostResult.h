// HostResult: the answer of a host operation that can fail.
//
// The host engine never lets an exception escape to its caller; an operation that can fail
// answers either its value or a HostError whose message is written for people ("cannot load
// plug-in /x/libA.so: ..."). A plain value type; not synchronised.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kestrel {

struct HostError {
  std::string message;
};

template <class T>
class HostResult {
 public:
  HostResult(T value) : value_(std::move(value)) {}
  HostResult(HostError error) : error_(std::move(error)) {}

  explicit operator bool() const { return value_.has_value(); }
  bool ok() const { return value_.has_value(); }
  // REQUIRES: ok().
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T& operator*() { return *value_; }
  T* operator->() { return &*value_; }
  // Empty when ok().
  const std::string& error() const { return error_.message; }

 private:
  std::optional<T> value_;
  HostError error_;
};

}  // namespace kestrel
