#include "platform/foundation/Bundle.h"

#include <dlfcn.h>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Old-style strings: tokens are quoted strings or bare words, separated by '=' and ';'.
class StringsParser {
 public:
  explicit StringsParser(const std::string& text) : s_(text) {}

  bool parse(std::map<std::string, std::string>& out) {
    for (;;) {
      skipSpace();
      if (i_ >= s_.size()) return true;
      std::string key, value;
      if (!token(key)) return false;
      skipSpace();
      if (i_ < s_.size() && s_[i_] == ';') {  // "key"; means key = key
        ++i_;
        out[key] = key;
        continue;
      }
      if (i_ >= s_.size() || s_[i_] != '=') return false;
      ++i_;
      skipSpace();
      if (!token(value)) return false;
      skipSpace();
      if (i_ >= s_.size() || s_[i_] != ';') return false;
      ++i_;
      out[key] = value;
    }
  }

 private:
  void skipSpace() {
    while (i_ < s_.size()) {
      if (std::isspace(static_cast<unsigned char>(s_[i_]))) {
        ++i_;
      } else if (s_.compare(i_, 2, "//") == 0) {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
      } else if (s_.compare(i_, 2, "/*") == 0) {
        auto end = s_.find("*/", i_ + 2);
        i_ = end == std::string::npos ? s_.size() : end + 2;
      } else {
        break;
      }
    }
  }

  bool token(std::string& out) {
    if (i_ >= s_.size()) return false;
    if (s_[i_] != '"') {
      size_t start = i_;
      while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_' || s_[i_] == '.' ||
                                s_[i_] == '/' || s_[i_] == '-'))
        ++i_;
      out = s_.substr(start, i_ - start);
      return !out.empty();
    }
    ++i_;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return false;
      char e = s_[i_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'U':
        case 'u': {
          uint32_t cp = 0;
          int digits = 0;
          while (digits < 4 && i_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[i_]))) {
            cp = cp * 16 + static_cast<uint32_t>(std::stoi(std::string(1, s_[i_++]), nullptr, 16));
            ++digits;
          }
          if (digits != 4) return false;
          appendUtf8(out, cp);
          break;
        }
        default: out += e; break;
      }
    }
    if (i_ >= s_.size()) return false;
    ++i_;  // closing quote
    return true;
  }

  const std::string& s_;
  size_t i_ = 0;
};

}  // namespace

std::shared_ptr<Bundle> Bundle::bundleAtPath(const std::string& path) {
  if (!files::isDirectory(path)) return nullptr;
  return std::shared_ptr<Bundle>(new Bundle(path));
}

std::shared_ptr<Bundle> Bundle::bundleForAddress(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return nullptr;
  std::string lib = info.dli_fname;
  std::string dir = files::deletingLastPathComponent(lib);
  std::string name = files::lastPathComponent(lib);
  if (name.rfind("lib", 0) == 0) name = name.substr(3);
  if (auto dot = name.find('.'); dot != std::string::npos) name = name.substr(0, dot);
  return bundleAtPath((dir.empty() ? std::string(".") : dir) + "/" + name + ".bundle");
}

std::optional<std::map<std::string, std::string>> Bundle::parseStrings(const std::string& text) {
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  if (text.compare(start, 5, "<?xml") == 0 || text.compare(start, 6, "bplist") == 0) {
    auto plist = PlistValue::fromString(std::string_view(text).substr(start));
    if (!plist || !plist->isDict()) return std::nullopt;
    std::map<std::string, std::string> out;
    for (const auto& [k, v] : *plist->asDict())
      if (auto s = v.asString()) out[k] = *s;
    return out;
  }
  std::map<std::string, std::string> out;
  std::string body = text.substr(start);
  if (!StringsParser(body).parse(out)) return std::nullopt;
  return out;
}

const std::map<std::string, std::string>& Bundle::table(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = tables_.find(name);
  if (it != tables_.end()) return it->second;
  std::map<std::string, std::string> merged;
  for (const char* dir : {"/en.lproj/", "/English.lproj/", "/"}) {
    std::string file = path_ + dir + name + ".strings";
    auto text = files::readText(file);
    if (!text) continue;
    auto parsed = parseStrings(*text);
    if (!parsed) {
      KSLog("KS:TWCommon: Unreadable string table %@", file);
      continue;
    }
    merged.insert(parsed->begin(), parsed->end());  // earlier folders win
  }
  return tables_.emplace(name, std::move(merged)).first->second;
}

std::string Bundle::localizedString(const std::string& key, const std::string& tableName) const {
  const auto& t = table(tableName);
  auto it = t.find(key);
  return it == t.end() || it->second.empty() ? key : it->second;
}

std::optional<std::string> Bundle::pathForResource(const std::string& name, const std::string& type) const {
  std::string file = type.empty() ? name : name + "." + type;
  for (const char* dir : {"/", "/en.lproj/", "/English.lproj/"}) {
    std::string p = path_ + dir + file;
    if (files::exists(p)) return p;
  }
  return std::nullopt;
}

PlistValue Bundle::infoDictionary() const {
  auto v = PlistValue::fromFile(path_ + "/Info.plist");
  return v && v->isDict() ? *v : PlistValue::dict();
}

}  // namespace kestrel
