// Shared set-up of the fuzz targets: a private device root whose log store is /dev/null, so
// the log lines that damaged input produces cost nothing and touch no real device root.
#pragma once

namespace kestrel::fuzz {

void prepareDeviceRoot();

}  // namespace kestrel::fuzz
