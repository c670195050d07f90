#include "tasks/TWTaskQueryFacts.h"

#include "runtime/FWTypes.h"
#include "database/FWSQLText.h"

std::optional<int64_t> TWTaskQueryFacts::entityNumber(std::string_view name) const {
  auto found = dbEntityKeys.find(name);
  if (found == dbEntityKeys.end()) {
    KSLog("KS:TWTask: No entity number for %@", name);
    return std::nullopt;
  }
  auto number = FWSQLIntegerValueFromText(found->second);
  if (!number) KSLog("KS:TWTask: Entity number of %@ is not a number: %@", name, found->second);
  return number;
}
