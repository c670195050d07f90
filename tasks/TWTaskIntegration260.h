// The task query builder for Taskwell's schema 260: tags joined through Z_32TAGS.Z_50TAGS2.
#pragma once

#include "tasks/TWTaskIntegration.h"

class TWTaskIntegration260 : public TWTaskIntegration {
 public:
  int32_t schemaVersion() const override { return 260; }
  const char* tagsColumn() const override { return "Z_50TAGS2"; }
};
