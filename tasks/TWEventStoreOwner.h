// TWEventStoreOwner: what a controller that keeps the device's calendar store answers.
//
// The tasks plug-in's controller opens the store when it is made and keeps it for its
// lifetime; the reminders source reaches it through the application record's controller.
// Thread-safe: the store itself is.
#pragma once

#include "platform/calendarstore/CalendarStore.h"
#include "runtime/FWApplication.h"
#include "runtime/FWTypes.h"

class TWEventStoreOwner {
 public:
  virtual ~TWEventStoreOwner() = default;
  virtual Ref<kestrel::CalendarStore> eventStore() const = 0;
};

// The store of the application record's controller; none without one.
Ref<kestrel::CalendarStore> TWEventStoreForApp(FWApplication* application);
