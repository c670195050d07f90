#include "platform/foundation/Format.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kestrel {

std::string FormatArg::addressText(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", p);
  return buf;
}

std::string FormatArg::text() const {
  if (describe_) return describe_(ptr_);
  if (auto s = std::get_if<std::string>(&v_)) return *s;
  if (auto i = std::get_if<int64_t>(&v_)) return std::to_string(*i);
  if (auto u = std::get_if<uint64_t>(&v_)) return std::to_string(*u);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(v_));
  return buf;
}

int64_t FormatArg::integer() const {
  if (auto i = std::get_if<int64_t>(&v_)) return *i;
  if (auto u = std::get_if<uint64_t>(&v_)) return static_cast<int64_t>(*u);
  if (auto d = std::get_if<double>(&v_)) return std::isfinite(*d) ? static_cast<int64_t>(*d) : 0;
  return std::strtoll(std::get<std::string>(v_).c_str(), nullptr, 10);
}

uint64_t FormatArg::unsignedInteger() const {
  if (auto u = std::get_if<uint64_t>(&v_)) return *u;
  return static_cast<uint64_t>(integer());
}

double FormatArg::real() const {
  if (auto d = std::get_if<double>(&v_)) return *d;
  if (auto i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
  if (auto u = std::get_if<uint64_t>(&v_)) return static_cast<double>(*u);
  return std::strtod(std::get<std::string>(v_).c_str(), nullptr);
}

std::string formatWithArgs(std::string_view format, const FormatArg* args, size_t count) {
  std::string out;
  out.reserve(format.size() + 32);
  size_t next = 0;
  const FormatArg* missing = nullptr;
  static const FormatArg kNull(std::string("(null)"));
  auto take = [&]() -> const FormatArg& {
    if (next < count) return args[next++];
    missing = &kNull;
    return *missing;
  };
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    size_t start = i++;
    if (i >= format.size()) {
      out += '%';
      break;
    }
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    // flags, width, precision
    std::string spec = "%";
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos) spec += format[i++];
    while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) spec += format[i++];
    if (i < format.size() && format[i] == '.') {
      spec += format[i++];
      while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) spec += format[i++];
    }
    // length modifiers are accepted and ignored; the argument carries its own width
    while (i < format.size() && std::string_view("hlqLzjt").find(format[i]) != std::string_view::npos) ++i;
    if (i >= format.size()) {
      out.append(format.substr(start));
      break;
    }
    char conv = format[i];
    char buf[512];
    switch (conv) {
      case '@':
      case 's': {
        std::string text = take().text();
        if (spec == "%") {
          out += text;
        } else {
          std::snprintf(buf, sizeof buf, (spec + "s").c_str(), text.c_str());
          out += buf;
        }
        break;
      }
      case 'd':
      case 'i':
        std::snprintf(buf, sizeof buf, (spec + PRId64).c_str(), take().integer());
        out += buf;
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o': {
        std::string fmt = spec + (conv == 'u' ? PRIu64 : conv == 'x' ? PRIx64 : conv == 'X' ? PRIX64 : PRIo64);
        std::snprintf(buf, sizeof buf, fmt.c_str(), take().unsignedInteger());
        out += buf;
        break;
      }
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'e':
      case 'E':
        std::snprintf(buf, sizeof buf, (spec + conv).c_str(), take().real());
        out += buf;
        break;
      case 'c': {
        int64_t ch = take().integer();
        out += static_cast<char>(ch);
        break;
      }
      case 'p': {
        const FormatArg& a = take();
        std::snprintf(buf, sizeof buf, "%p", a.pointer());
        out += buf;
        break;
      }
      default:
        // Unknown conversion: keep the text as written.
        out.append(format.substr(start, i - start + 1));
        break;
    }
  }
  return out;
}

}  // namespace kestrel
