// The context lists the tasks plug-in keeps as application-record attributes ("contextLocn",
// "contextFixed", "contextDef"), and how they are read.
#pragma once

#include <vector>

#include "model/TWContext.h"
#include "runtime/FWApplication.h"

using TWContextList = std::vector<Ref<TWContext>>;

// The attribute's contexts; empty when it is absent or of another type.
inline TWContextList TWContextListAttribute(const FWApplication& application, const char* attribute) {
  return application.attribute<TWContextList>(attribute).value_or(TWContextList{});
}
