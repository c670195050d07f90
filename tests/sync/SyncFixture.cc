#include "tests/sync/SyncFixture.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>

namespace kestrel::test {

SyncFixture::SyncFixture() {
  char name[] = "/tmp/kestrel-sync-XXXXXX";
  if (::mkdtemp(name)) scratch = name;
  device = scratch + "/device";
}

SyncFixture::~SyncFixture() {
  std::error_code ec;
  if (!scratch.empty()) std::filesystem::remove_all(scratch, ec);
}

bool SyncFixture::programsInstalled(const std::vector<std::string>& names, std::string* missing) {
  for (const auto& name : names) {
    if (!installedProgram(name)) {
      *missing = name;
      return false;
    }
  }
  return true;
}

ProgramRun SyncFixture::kestrel(const std::vector<std::string>& args, double deadlineSeconds) {
  RunningProcess process = startKestrel(args, scratch);
  bool hung = false;
  ProcessRun done = finishKestrel(process, deadlineSeconds, &hung);
  ProgramRun run;
  run.status = done.status;
  run.timedOut = hung;
  run.out = done.out;
  run.err = done.err;
  return run;
}

bool SyncFixture::makeDevice() {
  auto run = kestrel({"fixture", "--root", device, "--now", kNow, "--tz", kZone, "--tasks", "0", "--events", "0"});
  EXPECT_EQ(run.status, 0) << run.describe();
  return run.status == 0;
}

std::vector<std::string> SyncFixture::sessionWords(const std::vector<std::string>& extra) const {
  std::vector<std::string> words = {"--plugin", "tasks", "--plugin", "events", "--root", device,
                                    "--now",    kNow,    "--tz",     kZone,    "--option", "maxTasks=20"};
  words.insert(words.end(), extra.begin(), extra.end());
  return words;
}

ProgramRun SyncFixture::rows(const std::vector<std::string>& extra) {
  std::vector<std::string> args = {"rows"};
  auto words = sessionWords(extra);
  args.insert(args.end(), words.begin(), words.end());
  return kestrel(args);
}

std::vector<std::string> propertyLines(const std::string& ics, const std::string& kind) {
  // Unfold continuation lines first.
  std::string text;
  for (size_t i = 0; i < ics.size(); ++i) {
    if (ics[i] == '\r') continue;
    if (ics[i] == '\n' && i + 1 < ics.size() && (ics[i + 1] == ' ' || ics[i + 1] == '\t')) {
      ++i;
      continue;
    }
    text += ics[i];
  }
  std::vector<std::string> out;
  size_t begin = text.find("BEGIN:" + kind + "\n");
  if (begin == std::string::npos) return out;
  size_t at = text.find('\n', begin) + 1;
  int depth = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (line.rfind("BEGIN:", 0) == 0) ++depth;
    if (line.rfind("END:", 0) == 0) {
      if (depth == 0) break;
      --depth;
    }
    out.push_back(line);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> withoutProperties(const std::vector<std::string>& lines, const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const auto& line : lines) {
    std::string name = line.substr(0, line.find_first_of(";:"));
    if (std::find(names.begin(), names.end(), name) == names.end()) out.push_back(line);
  }
  return out;
}

}  // namespace kestrel::test
