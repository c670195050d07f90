// Locale: the process's current locale for dates, times and patterns.
//
// The locale starts as en_US, whatever LANG says, so captions and console lines are the
// same on every machine until the host chooses another (setCurrent). It is deliberately
// separate from ICU's default locale, which follows the environment. Locale is an immutable
// value; current() and setCurrent() are thread-safe.
#pragma once

#include <memory>
#include <string>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Locale;
U_NAMESPACE_END

namespace kestrel {

class Locale {
 public:
  static Locale current();
  // False (and nothing changes) for an identifier ICU cannot parse or has no data for.
  static bool setCurrent(const std::string& identifier);
  static Locale enUS();

  // Canonical ICU identifier, e.g. "en_US", "de_DE".
  const std::string& identifier() const { return identifier_; }
  const icu::Locale& icuLocale() const { return *locale_; }
  std::string description() const { return identifier_; }

  friend bool operator==(const Locale& a, const Locale& b) { return a.identifier_ == b.identifier_; }

 private:
  Locale(std::string identifier, std::shared_ptr<const icu::Locale> locale)
      : identifier_(std::move(identifier)), locale_(std::move(locale)) {}
  std::string identifier_;
  std::shared_ptr<const icu::Locale> locale_;
};

}  // namespace kestrel
