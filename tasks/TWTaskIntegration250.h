// The task query builder for Taskwell's schema 250: tags joined through Z_32TAGS.Z_48TAGS2.
#pragma once

#include "tasks/TWTaskIntegration.h"

class TWTaskIntegration250 : public TWTaskIntegration {
 public:
  int32_t schemaVersion() const override { return 250; }
  const char* tagsColumn() const override { return "Z_48TAGS2"; }
};
