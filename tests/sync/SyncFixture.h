// Shared set-up of the vdir tests: a scratch folder, a generated device root (a Taskwell
// installation without tasks or events of its own, so the rows shown are the user's), and
// kestrel run as a child process with a deadline. Tests that need a peer program skip with
// the reason when it is not installed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/KestrelProcess.h"
#include "tests/sync/ExternalPrograms.h"

namespace kestrel::test {

class SyncFixture : public ::testing::Test {
 protected:
  static constexpr const char* kNow = "2026-12-08T14:30:00Z";
  static constexpr const char* kZone = "Europe/Berlin";

  SyncFixture();
  ~SyncFixture() override;

  // True when every program is on PATH; otherwise *missing names the first that is not.
  static bool programsInstalled(const std::vector<std::string>& names, std::string* missing);

  // Generates the device root once; false (with a test failure) when that fails.
  bool makeDevice();
  // `kestrel rows --plugin tasks --plugin events` on the device with these extra words.
  ProgramRun rows(const std::vector<std::string>& extra);
  ProgramRun kestrel(const std::vector<std::string>& args, double deadlineSeconds = 90);
  std::vector<std::string> sessionWords(const std::vector<std::string>& extra) const;

  std::string scratch;  // removed with the test
  std::string device;   // the device root, inside scratch
};

// The text between "BEGIN:<kind>" and its "END:<kind>" in an .ics text, unfolded, one
// property line per entry, sorted; empty when there is none.
std::vector<std::string> propertyLines(const std::string& ics, const std::string& kind);
// Those lines without the properties named (by name, before ";" or ":").
std::vector<std::string> withoutProperties(const std::vector<std::string>& lines, const std::vector<std::string>& names);

}  // namespace kestrel::test
