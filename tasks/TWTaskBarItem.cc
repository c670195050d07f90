#include "tasks/TWTaskBarItem.h"

const char* TWTaskBarActionName(TWTaskBarAction action) {
  switch (action) {
    case TWTaskBarAction::ToggleMenu: return "toggleMenuClicked:";
    case TWTaskBarAction::LocationContext: return "locationContextClicked:";
    case TWTaskBarAction::ManualContext: return "manualContextClicked:";
    case TWTaskBarAction::DisableContexts: return "disableContextsClicked:";
    case TWTaskBarAction::ToggleDetails: return "toggleDetailsClicked:";
    case TWTaskBarAction::SearchTodo: return "searchTodoClicked:";
    case TWTaskBarAction::NewTodo: return "newTodoClicked:";
    case TWTaskBarAction::None: break;
  }
  return "";
}

PlistValue TWTaskBarItem::fields() const {
  PlistValue out = PlistValue::dict();
  switch (kind) {
    case Kind::Button:
      out.set("kind", "button");
      out.set("image", imageName);
      out.set("action", TWTaskBarActionName(action));
      out.set("enabled", enabled);
      out.set("tag", tag);
      break;
    case Kind::FlexibleSpace: out.set("kind", "flexibleSpace"); break;
    case Kind::FixedSpace:
      out.set("kind", "fixedSpace");
      out.set("width", width);
      break;
  }
  return out;
}

std::string TWTaskBarItem::description() const { return fields().description(); }
