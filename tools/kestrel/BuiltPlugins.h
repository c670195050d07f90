// The plug-ins `--plugin tasks` and `--plugin events` name: libTWPlugin.so and
// libTWCalPlugin.so, found relative to the running kestrel binary, in a build tree (../lib)
// or an installed tree (../lib/kestrel, see cmake/Install.cmake), in that order.
#pragma once

#include <string>

#include "platform/host/HostResult.h"

namespace kestrel::tool {

// Whether `argument` is one of the short names.
bool isBuiltPluginName(const std::string& argument);

// The library's path; an error saying where it was looked for when it is in neither place.
HostResult<std::string> builtPluginPath(const std::string& name);

}  // namespace kestrel::tool
