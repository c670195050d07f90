// The event query builder for Taskwell's schema 260: tags joined through Z_24TAGS.Z_50TAGS.
#pragma once

#include "events/TWEventIntegration.h"

class TWEventIntegration260 : public TWEventIntegration {
 public:
  int32_t schemaVersion() const override { return 260; }
  const char* tagsColumn() const override { return "Z_50TAGS"; }
};
