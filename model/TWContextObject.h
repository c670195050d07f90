// TWContextObject: one entry of a calendar list or tag list — key, name, icon and colour.
// Companion calendars are not `native`; tag entries are (the settings panes also use
// native entries for device calendars). Immutable once made; thread-safe.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/KSHost.h"
#include "runtime/FWTypes.h"

struct TWContextObjectInit {
  int32_t key = 0;
  std::string name{};
  std::string icon{};
  Color color = Color::clearColor();
  bool native = false;
};

class TWContextObject : public kestrel::KSDescribable {
  struct Private {};

 public:
  static Ref<TWContextObject> objectWithKey(const TWContextObjectInit& init);
  TWContextObject(Private, const TWContextObjectInit& init) : init_(init) {}

  // Z_PK of the tag or calendar.
  int32_t key() const { return init_.key; }
  const std::string& name() const { return init_.name; }
  const std::string& icon() const { return init_.icon; }
  const Color& color() const { return init_.color; }
  bool native() const { return init_.native; }

  // The name with its icon, as lists show it (TWIntegration::stringForTitle).
  std::string displayString() const;

  std::string description() const;
  PlistValue fields() const override;

 private:
  const TWContextObjectInit init_;
};
