#include <string>
#include <vector>

#include "tools/fixture/FixtureCommand.h"
#include "tools/kestrel/Commands.h"

namespace kestrel::tool {

int runFixture(std::span<const std::string> args) {
  return fixture::runFixtureCommand(std::vector<std::string>(args.begin(), args.end()));
}

}  // namespace kestrel::tool
