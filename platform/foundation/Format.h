// Objective-C style string formatting for the system's quoted log lines and captions.
//
// Understands %@ (anything with a description), %d %i %u %ld %li %lu %lld %llu %x %X
// (integers), %f %.Nf %g %e (reals), %s (text), %p (pointer), %c, %%, with flags, widths
// and zero padding ("%02i", "%-10s", "%.0f"). Arguments are converted to FormatArg, so a
// mismatched specifier prints a sensible reading instead of reading the wrong type.
// Missing arguments print "(null)". Thread-safe; no global state.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace kestrel {

template <class T>
concept HasDescription = requires(const T& t) {
  { t.description() } -> std::convertible_to<std::string>;
};

class FormatArg {
 public:
  FormatArg(bool b) : v_(static_cast<int64_t>(b)) {}
  template <std::signed_integral T>
  FormatArg(T i) : v_(static_cast<int64_t>(i)) {}
  template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>)
  FormatArg(T u) : v_(static_cast<uint64_t>(u)) {}
  template <std::floating_point T>
  FormatArg(T d) : v_(static_cast<double>(d)) {}
  FormatArg(const char* s) : v_(s ? std::string(s) : std::string("(null)")) {}
  FormatArg(std::string s) : v_(std::move(s)) {}
  FormatArg(std::string_view s) : v_(std::string(s)) {}
  FormatArg(std::nullptr_t) : v_(std::string("(null)")) {}
  template <HasDescription T>
  FormatArg(const T& obj) : v_(std::string(obj.description())) {}
  template <class T>
  FormatArg(const std::shared_ptr<T>& p) : v_(describePointer(p.get())), ptr_(p.get()), describe_(describer<T>(p.get())) {}
  template <class T>
  FormatArg(const std::optional<T>& o) : FormatArg(o ? FormatArg(*o) : FormatArg(std::string("(null)"))) {}
  template <class T>
    requires(!std::same_as<std::remove_cv_t<T>, char>)
  FormatArg(T* p) : v_(describePointer(p)), ptr_(p), describe_(describer<T>(p)) {}

  // Reading for each specifier family.
  std::string text() const;     // %@ and %s
  int64_t integer() const;      // %d %i %ld ...
  uint64_t unsignedInteger() const;
  double real() const;          // %f %g %e
  const void* pointer() const { return ptr_; }

 private:
  using Value = std::variant<int64_t, uint64_t, double, std::string>;
  // A described object is described only when a %@ reads it, so that "%p" with `this`
  // inside a description() does not recurse.
  using Describer = std::string (*)(const void*);
  template <class T>
  static Value describePointer(T* p) {
    if (!p) return std::string("(null)");
    if constexpr (HasDescription<T>)
      return std::string();
    else
      return addressText(p);
  }
  template <class T>
  static Describer describer(T* p) {
    if constexpr (HasDescription<T>) {
      if (p) return [](const void* q) { return std::string(static_cast<const T*>(q)->description()); };
    }
    return nullptr;
  }
  static std::string addressText(const void* p);

  Value v_;
  const void* ptr_ = nullptr;
  Describer describe_ = nullptr;
};

std::string formatWithArgs(std::string_view format, const FormatArg* args, size_t count);

template <class... Args>
std::string KSFormat(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return formatWithArgs(format, nullptr, 0);
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    return formatWithArgs(format, list, sizeof...(Args));
  }
}

}  // namespace kestrel
