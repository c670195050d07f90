#include "tests/kestrel/CommandCapture.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include "tools/kestrel/Commands.h"

namespace kestrel::test {

CommandRun runAct(const std::vector<std::string>& args) {
  CommandRun run;
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  ::testing::internal::CaptureStderr();
  run.status = tool::runActTo(out, args);
  run.err = ::testing::internal::GetCapturedStderr();
  fclose(out);
  run.out.assign(buffer, size);
  free(buffer);
  return run;
}

namespace {

template <class Command>
CommandRun captured(Command command, const std::vector<std::string>& args) {
  CommandRun run;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  run.status = command(args);
  run.err = ::testing::internal::GetCapturedStderr();
  run.out = ::testing::internal::GetCapturedStdout();
  return run;
}

}  // namespace

CommandRun runRows(const std::vector<std::string>& args) {
  return captured([](const auto& words) { return tool::runRows(words); }, args);
}

CommandRun runRender(const std::vector<std::string>& args) {
  return captured([](const auto& words) { return tool::runRender(words); }, args);
}

CommandRun runRun(const std::vector<std::string>& args) {
  return captured([](const auto& words) { return tool::runRun(words); }, args);
}

size_t occurrences(const std::string& text, const std::string& fragment) {
  size_t n = 0;
  for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++n;
  return n;
}

}  // namespace kestrel::test
