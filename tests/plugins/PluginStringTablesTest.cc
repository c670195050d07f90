// Every text a plug-in can show has an entry in that plug-in's own string table: the keys
// are found in the sources the linker put into each plug-in (its link map), so a shared
// caption that only the other plug-in's table knows shows as a raw key ("Frequency/On
// Weekdays") and fails here. Settings-pane code looks its keys up in "Settings", the rest
// in "Localizable".
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <fstream>
#include <regex>
#include <set>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Files.h"

namespace {

namespace fs = std::filesystem;

// Product sources (relative to the source folder) the link map shows in the plug-in. The
// map is large (tens of megabytes): read line by line, no regular expressions.
std::set<std::string> linkedSources(const std::string& mapPath) {
  std::ifstream map(mapPath);
  const std::string build = fs::weakly_canonical(KESTREL_BINARY_DIR).string() + "/";
  std::set<std::string> sources;
  std::map<std::string, std::string> folders;  // archive as written: its folder, resolved
  // "tasks/libtw-tasks.a(TWPreview.cc.o)": the archive's folder mirrors the source's.
  for (std::string line; std::getline(map, line);) {
    const size_t open = line.find(".a(");
    const size_t close = open == std::string::npos ? open : line.find(".cc.o)", open);
    if (close == std::string::npos) continue;
    const size_t start = line.find_last_of(" \t", open) == std::string::npos ? 0 : line.find_last_of(" \t", open) + 1;
    const std::string written = line.substr(start, open + 2 - start);
    const std::string object = line.substr(open + 3, close + 3 - (open + 3));
    auto [known, added] = folders.try_emplace(written);
    if (added) {
      fs::path archive = written;
      if (archive.is_relative()) archive = fs::path(KESTREL_BINARY_DIR) / archive;  // the linker ran there
      known->second = fs::weakly_canonical(archive.parent_path()).string() + "/";
    }
    const std::string& folder = known->second;
    if (folder.rfind(build, 0) != 0 || object.find('/') != std::string::npos) continue;
    sources.insert(folder.substr(build.size()) + object);
  }
  return sources;
}

// The string literals of C++ code, comments skipped.
std::vector<std::string> literalsIn(const std::string& code) {
  std::vector<std::string> literals;
  for (size_t i = 0; i < code.size(); ++i) {
    if (code.compare(i, 2, "//") == 0) {
      i = code.find('\n', i);
      if (i == std::string::npos) break;
    } else if (code.compare(i, 2, "/*") == 0) {
      i = code.find("*/", i + 2);
      if (i == std::string::npos) break;
      ++i;
    } else if (code[i] == '\'') {
      for (++i; i < code.size() && code[i] != '\''; ++i)
        if (code[i] == '\\') ++i;
    } else if (code[i] == '"') {
      std::string literal;
      for (++i; i < code.size() && code[i] != '"'; ++i) {
        if (code[i] == '\\' && i + 1 < code.size()) literal += code[i++];
        literal += code[i];
      }
      literals.push_back(literal);
    }
  }
  return literals;
}

// Literals shaped as localisation keys: "Detail/Start", "New Task/Complete/Error".
std::set<std::string> keysIn(const std::string& code) {
  static const std::regex key(R"re([A-Z][A-Za-z0-9 ]*(/[^"/\\\n]+)+)re");
  std::set<std::string> keys;
  for (const std::string& literal : literalsIn(code))
    if (std::regex_match(literal, key)) keys.insert(literal);
  return keys;
}

// Whether the source or its header reaches the settings application's controller.
bool isSettingsPane(const std::string& source, std::set<std::string>& seen) {
  if (!seen.insert(source).second) return false;
  const std::string code = kestrel::files::readText(std::string(KESTREL_SOURCE_DIR) + "/" + source).value_or("");
  static const std::regex include(R"re(#include "([^"]+)")re");
  for (std::sregex_iterator it(code.begin(), code.end(), include), end; it != end; ++it) {
    const std::string header = (*it)[1].str();
    if (header.rfind("platform/settings/", 0) == 0) return true;
    if (header.rfind("platform/", 0) != 0 && isSettingsPane(header, seen)) return true;
  }
  if (source.ends_with(".cc")) return isSettingsPane(source.substr(0, source.size() - 3) + ".h", seen);
  return false;
}

struct Plugin {
  const char* name;
  const char* library;
};

class PluginStringTables : public ::testing::TestWithParam<Plugin> {};

TEST_P(PluginStringTables, EveryKeyThePluginsCodeAsksForHasTextInItsOwnTable) {
  const fs::path library = GetParam().library;
  const std::set<std::string> sources = linkedSources((library.parent_path() / GetParam().name).string() + ".map");
  ASSERT_GT(sources.size(), 20u) << "no link map beside " << library;
  auto bundle = kestrel::Bundle::bundleAtPath((library.parent_path() / GetParam().name).string() + ".bundle");
  ASSERT_TRUE(bundle);
  size_t checked = 0;
  for (const std::string& source : sources) {
    std::set<std::string> seen;
    const std::string table = isSettingsPane(source, seen) ? "Settings" : "Localizable";
    const std::string code = kestrel::files::readText(std::string(KESTREL_SOURCE_DIR) + "/" + source).value_or("");
    for (const std::string& key : keysIn(code)) {
      ++checked;
      EXPECT_NE(bundle->localizedString(key, table), key) << GetParam().name << " " << table << ".strings lacks \""
                                                           << key << "\" (asked for in " << source << ")";
    }
  }
  EXPECT_GT(checked, 50u);
}

INSTANTIATE_TEST_SUITE_P(Deliverables, PluginStringTables,
                         ::testing::Values(Plugin{"TWPlugin", TW_PLUGIN_PATH}, Plugin{"TWCalPlugin", TW_CAL_PLUGIN_PATH}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
