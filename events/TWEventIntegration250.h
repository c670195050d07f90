// The event query builder for Taskwell's schema 250: tags joined through Z_24TAGS.Z_48TAGS.
#pragma once

#include "events/TWEventIntegration.h"

class TWEventIntegration250 : public TWEventIntegration {
 public:
  int32_t schemaVersion() const override { return 250; }
  const char* tagsColumn() const override { return "Z_48TAGS"; }
};
