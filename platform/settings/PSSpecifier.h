// PSSpecifier: one row of a settings pane — a group header, a switch, a choice list, a text
// field, a button, a link to a child pane, a title with its value, or a static text.
//
// A specifier carries its title (`name`), its cell type and a dictionary of properties as
// the pane's property list gives them ("key", "default", "defaults", "validTitles",
// "validValues", "footerText", "id", "min", "max", ...). Rows that hold a value are read and
// written through `getter` and `setter`; buttons run `action`. A pane made from a property
// list binds these to its own preference-domain accessors; a pane in code binds its own.
// Choice lists take their titles and values from the properties, or from the data sources
// when those are set.
//
// Main thread only, like the panes that own them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/PlistValue.h"
#include "platform/foundation/Ref.h"

namespace kestrel {

enum class PSCellType { Group, Switch, LinkList, EditText, Button, Link, TitleValue, StaticText };

// "PSGroupCell", "PSSwitchCell", "PSLinkListCell", "PSEditTextCell", "PSButtonCell",
// "PSLinkCell", "PSTitleValueCell", "PSStaticTextCell"; none for any other name.
std::optional<PSCellType> PSCellTypeFromName(std::string_view name);
std::string_view PSCellTypeName(PSCellType type);

class PSSpecifier {
 public:
  using Getter = std::function<PlistValue(PSSpecifier&)>;
  using Setter = std::function<void(const PlistValue&, PSSpecifier&)>;
  using Action = std::function<void(PSSpecifier&)>;
  using ArraySource = std::function<PlistValue::Array(PSSpecifier&)>;

  PSSpecifier(std::string name, PSCellType cellType) : name(std::move(name)), cellType(cellType) {}

  static Ref<PSSpecifier> preferenceSpecifierNamed(std::string name, PSCellType cellType, Setter set = {},
                                                    Getter get = {});
  static Ref<PSSpecifier> groupSpecifierWithName(std::string name);
  // A row of a pane's property list ({"cell": "PSSwitchCell", "label": ..., ...}); none for an
  // item that is not a dictionary or names no known cell type.
  static Ref<PSSpecifier> specifierFromItem(const PlistValue& item);

  std::string name;
  PSCellType cellType;
  PlistValue properties = PlistValue::dict();
  Getter getter;
  Setter setter;
  Action action;
  ArraySource titlesDataSource;
  ArraySource valuesDataSource;

  const PlistValue* propertyForKey(std::string_view key) const { return properties.get(key); }
  std::string stringProperty(std::string_view key) const { return properties.stringForKey(key); }
  void setProperty(std::string key, PlistValue value) { properties.set(std::move(key), std::move(value)); }
  // "id" when set, else the title.
  std::string identifier() const;

  // The row's value through its getter; none without one.
  PlistValue value() { return getter ? getter(*this) : PlistValue(); }
  void setValue(const PlistValue& value) {
    if (setter) setter(value, *this);
  }
  // Titles and values of a choice list (data sources first, then "validTitles" and
  // "validValues"); the shorter list bounds both.
  PlistValue::Array choiceTitles();
  PlistValue::Array choiceValues();

  std::string description() const;
};

}  // namespace kestrel
