#include "tasks/TWEventStoreOwner.h"

#include "runtime/FWPlugin.h"

Ref<kestrel::CalendarStore> TWEventStoreForApp(FWApplication* application) {
  auto plugin = application ? application->fwPlugin() : nullptr;
  auto owner = std::dynamic_pointer_cast<TWEventStoreOwner>(plugin);
  return owner ? owner->eventStore() : nullptr;
}
