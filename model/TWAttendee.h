// TWAttendee: one attendee of an event — a name and a participation status. Immutable once
// made; thread-safe.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/KSHost.h"
#include "runtime/FWTypes.h"

class TWAttendee : public kestrel::KSDescribable {
  struct Private {};

 public:
  static Ref<TWAttendee> attendeeWithName(std::string name, int32_t status);
  TWAttendee(Private, std::string name, int32_t status) : name_(std::move(name)), status_(status) {}

  const std::string& name() const { return name_; }
  int32_t status() const { return status_; }

  std::string description() const;
  PlistValue fields() const override;

 private:
  const std::string name_;
  const int32_t status_;
};
