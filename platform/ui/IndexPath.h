// IndexPath: a row's place in a table — section number, then row number within it.
#pragma once

#include <compare>

namespace kestrel::ui {

struct IndexPath {
  int section = 0;
  int row = 0;
  friend bool operator==(const IndexPath&, const IndexPath&) = default;
  friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

}  // namespace kestrel::ui
