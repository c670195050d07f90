// The items of the tasks plug-in's tool bar and status row, as data: what a row view draws
// and which controller action a tap performs.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/FWTypes.h"

enum class TWTaskBarAction {
  None,
  ToggleMenu,       // toggleMenuClicked
  LocationContext,  // locationContextClicked
  ManualContext,    // manualContextClicked
  DisableContexts,  // disableContextsClicked
  ToggleDetails,    // toggleDetailsClicked
  SearchTodo,       // searchTodoClicked
  NewTodo,          // newTodoClicked
};

struct TWTaskBarItem {
  enum class Kind { Button, FlexibleSpace, FixedSpace };
  Kind kind = Kind::Button;
  // Image of the plug-in bundle (type "png") of a button.
  std::string imageName{};
  TWTaskBarAction action = TWTaskBarAction::None;
  bool enabled = true;
  int32_t tag = 0;
  // Width of a fixed space, in points.
  double width = 0;

  static TWTaskBarItem button(std::string image, TWTaskBarAction action, bool enabled = true, int32_t tag = 0) {
    return {Kind::Button, std::move(image), action, enabled, tag, 0};
  }
  static TWTaskBarItem flexibleSpace() { return {Kind::FlexibleSpace, {}, TWTaskBarAction::None, true, 0, 0}; }
  static TWTaskBarItem fixedSpace(double width) {
    return {Kind::FixedSpace, {}, TWTaskBarAction::None, true, 0, width};
  }

  friend bool operator==(const TWTaskBarItem&, const TWTaskBarItem&) = default;
  // {kind, image, action, enabled, tag, width} for hosts and tools.
  PlistValue fields() const;
  std::string description() const;
};

const char* TWTaskBarActionName(TWTaskBarAction action);
