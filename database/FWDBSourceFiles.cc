#include "database/FWDBSourceFiles.h"

std::unique_lock<std::recursive_mutex> FWDBLockSourceFiles() {
  static std::recursive_mutex mutex;
  return std::unique_lock(mutex);
}
