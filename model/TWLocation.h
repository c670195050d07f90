// TWLocation: a place of an item — a title, an optional description and an optional
// geographic position.
//
// A place made from a title alone may carry its position in the title as a bracketed pair
// "[51.5074,-0.1278]". The pair is parsed once, on the first read of `title` or
// `coordinates`: the position is taken from it and the pair removed from the title (the
// text around it joined as it is). From then on, or once `setCoordinates` has been called,
// the coordinates are final. A place made with coordinates is final from the start.
//
// `description` is the place's description text, as the field is named; it is also what
// the place prints as in logs.
//
// Thread-safe: the one-time parse and `setCoordinates` run under the place's own lock.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "model/TWCoordinates.h"
#include "platform/host/KSHost.h"
#include "runtime/FWTypes.h"

class TWLocation : public kestrel::KSDescribable {
  struct Private {};

 public:
  // A place whose coordinates are final (none is a valid final answer).
  static Ref<TWLocation> twLocationWithTitle(std::string title, std::optional<std::string> description,
                                             std::optional<TWCoordinates> coords);
  // A place from a title only: no description; the coordinates come from the title.
  static Ref<TWLocation> twLocationWithTitle(std::string title);

  TWLocation(Private, std::string title, std::optional<std::string> description,
             std::optional<TWCoordinates> coordinates, bool coordinatesSet);

  std::string title() const;
  // The description text; empty when the place has none.
  std::string description() const { return description_.value_or(std::string()); }
  bool hasDescription() const { return description_.has_value(); }
  std::optional<TWCoordinates> coordinates() const;
  // Replaces the coordinates and makes them final (the title is left as it is).
  void setCoordinates(std::optional<TWCoordinates> coordinates);

  PlistValue fields() const override;

 private:
  // REQUIRES: mutex_ held.
  void parseTitleIfNeeded() const;

  mutable std::mutex mutex_;
  mutable std::string title_;
  const std::optional<std::string> description_;
  mutable std::optional<TWCoordinates> coordinates_;
  mutable bool coordinatesSet_;
};
