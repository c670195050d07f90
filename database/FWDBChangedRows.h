// Which rows of which tables a set of rewritten database pages can hold.
//
// SQLite keeps each table in a b-tree keyed by rowid: interior pages route keys by their
// dividers, and every row lives on a leaf whose key range lies between two dividers. A
// commit that adds, changes or removes a row rewrites the leaf that holds (or held) it,
// and a rebalance rewrites every leaf whose cells move, so the ranges of the rewritten
// leaves of the new tree cover every row that changed. Reading only the interior pages and
// the rewritten leaves finds those ranges without reading the rest of the database.
//
// Every other rewritten page must be accounted for: interior pages, the pages of indexes
// (rebuilt from the rows by whoever applies them), the free list and pointer maps, and
// overflow pages of rows on rewritten leaves. Anything else (an overflow page rewritten in
// place under an unchanged leaf, a table without rowids, a page no tree reaches) is listed
// as unaccounted: the rows that changed are then unknown. A damaged tree gives none.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Rows with after < rowid <= upTo; an open end where the flag says so.
struct FWDBRowRange {
  bool fromStart = false;
  int64_t after = 0;
  bool toEnd = false;
  int64_t upTo = 0;
  bool operator==(const FWDBRowRange&) const = default;
};

struct FWDBTree {
  enum class Kind {
    Rows,       // a rowid table whose changed rows are wanted
    Derived,    // an index, or a table whose changes are not wanted: its pages only count as accounted
  };
  std::string name;
  uint32_t root = 0;
  Kind kind = Kind::Rows;
};

struct FWDBChangedRows {
  // Ranges of changed rows by table name, in key order, neighbours merged.
  std::map<std::string, std::vector<FWDBRowRange>> tables;
  std::vector<uint32_t> unaccounted;
};

// Reads page `number` (from 1), `pageSize` bytes; false when it cannot be read.
using FWDBPageReader = std::function<bool(uint32_t number, unsigned char* into)>;

// The rows that the pages `changed` can hold, in a database of `pageCount` pages of
// `pageSize` bytes read through `page`. None when a tree or the free list is damaged.
std::optional<FWDBChangedRows> FWDBFindChangedRows(const FWDBPageReader& page, uint32_t pageSize, uint32_t pageCount,
                                                   const std::vector<FWDBTree>& trees,
                                                   const std::vector<uint32_t>& changed);
