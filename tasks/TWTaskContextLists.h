// The context lists the tasks plug-in keeps as application-record attributes ("contextLocn",
// "contextFixed", "contextDef"), and how they are read.
#pragma once

#include <vector>

#include "model/TWContext.h"
#include "runtime/FWApplication.h"

// A plain list of contexts; the name TWContextList belongs to the location page class.
using TWContextArray = std::vector<Ref<TWContext>>;

// The attribute's contexts; empty when it is absent or of another type.
inline TWContextArray TWContextListAttribute(const FWApplication& application, const char* attribute) {
  return application.attribute<TWContextArray>(attribute).value_or(TWContextArray{});
}
