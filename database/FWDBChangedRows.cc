#include "database/FWDBChangedRows.h"

#include <algorithm>
#include <unordered_set>

#include "database/FWDBBigEndian.h"

namespace {

constexpr unsigned char kIndexInterior = 0x02;
constexpr unsigned char kTableInterior = 0x05;
constexpr unsigned char kIndexLeaf = 0x0a;
constexpr unsigned char kTableLeaf = 0x0d;
constexpr int kMaxDepth = 40;

constexpr auto get16 = FWDBGet16;
constexpr auto get32 = FWDBGet32;

// SQLite's variable-length integer at `p`, at most `limit` bytes; none past the limit.
std::optional<uint64_t> varint(const unsigned char* p, size_t limit, size_t& length) {
  uint64_t v = 0;
  for (size_t i = 0; i < 9; ++i) {
    if (i >= limit) return std::nullopt;
    if (i == 8) {
      length = 9;
      return (v << 8) | p[8];
    }
    v = (v << 7) | (p[i] & 0x7f);
    if (!(p[i] & 0x80)) {
      length = i + 1;
      return v;
    }
  }
  return std::nullopt;
}

bool isInterior(unsigned char type) { return type == kTableInterior || type == kIndexInterior; }
bool isLeaf(unsigned char type) { return type == kTableLeaf || type == kIndexLeaf; }
// The leaf type of the family an interior or leaf type belongs to.
unsigned char leafOf(unsigned char type) { return (type == kTableInterior || type == kTableLeaf) ? kTableLeaf : kIndexLeaf; }

class Walker {
 public:
  Walker(const FWDBPageReader& read, uint32_t pageSize, uint32_t pageCount, const std::vector<uint32_t>& changed)
      : read_(read), pageSize_(pageSize), pageCount_(pageCount), changed_(changed.begin(), changed.end()) {}

  bool start() {
    std::vector<unsigned char> first;
    if (!load(1, first)) return false;
    const uint32_t reserved = first[20];
    if (reserved >= pageSize_ || pageSize_ - reserved < 480) return false;
    usable_ = pageSize_ - reserved;
    freelistTrunk_ = get32(&first[32]);
    freelistCount_ = get32(&first[36]);
    autoVacuum_ = get32(&first[52]) != 0;
    return true;
  }

  bool walkTree(const FWDBTree& tree) {
    std::vector<unsigned char> page;
    if (!load(tree.root, page)) return false;
    const unsigned char rootType = page[headerOffset(tree.root)];
    if (!isInterior(rootType) && !isLeaf(rootType)) return false;
    // Without rowids a table keeps its rows in index-shaped pages, keyed by its columns:
    // its changes have no rowid ranges.
    // Its pages stay unaccounted.
    if (tree.kind == FWDBTree::Kind::Rows && leafOf(rootType) != kTableLeaf) return true;
    int leafDepth = 0;
    if (!depthOfLeaves(tree.root, leafDepth)) return false;
    if (!visited_.insert(tree.root).second) return false;
    return walk(tree, tree.root, page, 0, leafDepth, FWDBRowRange{true, 0, true, 0}, leafOf(rootType));
  }

  bool walkFreelist() {
    uint32_t trunk = freelistTrunk_;
    uint64_t seen = 0;
    std::vector<unsigned char> page;
    while (trunk != 0) {
      if (++seen > freelistCount_ || !load(trunk, page)) return false;
      accounted_.insert(trunk);
      const uint32_t leaves = get32(&page[4]);
      if (leaves > usable_ / 4 - 2) return false;
      for (uint32_t i = 0; i < leaves; ++i) accounted_.insert(get32(&page[8 + 4 * i]));
      seen += leaves;
      trunk = get32(&page[0]);
    }
    return true;
  }

  void accountPointerMaps() {
    if (!autoVacuum_) return;
    for (uint64_t p = 2; p <= pageCount_; p += usable_ / 5 + 1) accounted_.insert(static_cast<uint32_t>(p));
  }

  // Follows the overflow chains of the cells on rewritten pages.
  bool accountOverflow() {
    std::vector<unsigned char> page;
    uint64_t steps = 0;
    for (uint32_t number : rewrittenWithCells_) {
      if (!load(number, page)) return false;
      const size_t h = headerOffset(number);
      const unsigned char type = page[h];
      const size_t pointers = h + (isInterior(type) ? 12 : 8);
      const uint32_t cells = get16(&page[h + 3]);
      if (pointers + 2 * size_t(cells) > usable_) return false;
      for (uint32_t i = 0; i < cells; ++i) {
        uint32_t next = 0;
        uint64_t count = 0;
        if (!overflowOf(page, type, get16(&page[pointers + 2 * i]), next, count)) return false;
        std::vector<unsigned char> overflow;
        for (; count > 0 && next != 0; --count) {
          if (++steps > pageCount_ || !load(next, overflow)) return false;
          accounted_.insert(next);
          next = get32(&overflow[0]);
        }
      }
    }
    return true;
  }

  std::vector<uint32_t> unaccounted() const {
    std::vector<uint32_t> out;
    for (uint32_t p : changed_)
      if (!accounted_.count(p)) out.push_back(p);
    std::sort(out.begin(), out.end());
    return out;
  }

  std::map<std::string, std::vector<FWDBRowRange>>& ranges() { return ranges_; }

 private:
  size_t headerOffset(uint32_t number) const { return number == 1 ? 100 : 0; }

  bool load(uint32_t number, std::vector<unsigned char>& into) {
    if (number == 0 || number > pageCount_) return false;
    into.resize(pageSize_);
    return read_(number, into.data());
  }

  bool depthOfLeaves(uint32_t root, int& depth) {
    std::vector<unsigned char> page;
    uint32_t number = root;
    for (depth = 0; depth <= kMaxDepth; ++depth) {
      if (!load(number, page)) return false;
      const size_t h = headerOffset(number);
      const unsigned char type = page[h];
      if (isLeaf(type)) return true;
      if (!isInterior(type)) return false;
      const uint32_t cells = get16(&page[h + 3]);
      if (cells == 0) {
        number = get32(&page[h + 8]);
      } else {
        const uint32_t cell = get16(&page[h + 12]);
        if (cell + 4 > usable_) return false;
        number = get32(&page[cell]);
      }
    }
    return false;
  }

  void noteRewrittenLeaf(const FWDBTree& tree, uint32_t number, const FWDBRowRange& range, unsigned char leafType) {
    accounted_.insert(number);
    rewrittenWithCells_.push_back(number);
    if (tree.kind == FWDBTree::Kind::Rows && leafType == kTableLeaf) ranges_[tree.name].push_back(range);
  }

  bool walk(const FWDBTree& tree, uint32_t number, const std::vector<unsigned char>& page, int depth, int leafDepth,
            const FWDBRowRange& range, unsigned char leafType) {
    const size_t h = headerOffset(number);
    const unsigned char type = page[h];
    if (isLeaf(type)) {
      if (type != leafType || depth != leafDepth) return false;
      if (changed_.count(number)) noteRewrittenLeaf(tree, number, range, leafType);
      return true;
    }
    if (!isInterior(type) || leafOf(type) != leafType || depth >= leafDepth) return false;
    if (changed_.count(number)) {
      accounted_.insert(number);
      if (type == kIndexInterior) rewrittenWithCells_.push_back(number);
    }
    const uint32_t cells = get16(&page[h + 3]);
    if (h + 12 + 2 * size_t(cells) > usable_) return false;
    FWDBRowRange child = range;
    child.toEnd = false;
    for (uint32_t i = 0; i <= cells; ++i) {
      uint32_t childPage;
      if (i < cells) {
        const uint32_t cell = get16(&page[h + 12 + 2 * i]);
        if (cell + 4 > usable_) return false;
        childPage = get32(&page[cell]);
        if (type == kTableInterior) {
          size_t length = 0;
          auto key = varint(&page[cell + 4], usable_ - cell - 4, length);
          if (!key) return false;
          child.upTo = static_cast<int64_t>(*key);
        }
      } else {
        childPage = get32(&page[h + 8]);
        child.toEnd = range.toEnd;
        child.upTo = range.upTo;
      }
      if (!visited_.insert(childPage).second) return false;
      if (depth + 1 == leafDepth) {
        // A leaf: read only when rewritten.
        if (changed_.count(childPage)) {
          std::vector<unsigned char> leaf;
          if (!load(childPage, leaf) || leaf[headerOffset(childPage)] != leafType) return false;
          noteRewrittenLeaf(tree, childPage, child, leafType);
        }
      } else {
        std::vector<unsigned char> next;
        if (!load(childPage, next) || !walk(tree, childPage, next, depth + 1, leafDepth, child, leafType)) return false;
      }
      child.fromStart = false;
      child.after = child.upTo;
    }
    return true;
  }

  // The first overflow page of the cell at `offset` and how many pages its chain has.
  bool overflowOf(const std::vector<unsigned char>& page, unsigned char type, uint32_t offset, uint32_t& first,
                  uint64_t& count) const {
    count = 0;
    if (type == kTableInterior) return true;
    size_t at = offset + (type == kIndexInterior ? 4 : 0);
    if (at >= usable_) return false;
    size_t length = 0;
    auto payload = varint(&page[at], usable_ - at, length);
    if (!payload) return false;
    at += length;
    if (type == kTableLeaf) {
      if (!varint(&page[at], usable_ - at, length)) return false;
      at += length;
    }
    const uint64_t u = usable_;
    const uint64_t x = type == kTableLeaf ? u - 35 : ((u - 12) * 64 / 255) - 23;
    if (*payload <= x) return true;
    const uint64_t m = ((u - 12) * 32 / 255) - 23;
    const uint64_t k = m + ((*payload - m) % (u - 4));
    const uint64_t local = k <= x ? k : m;
    if (at + local + 4 > usable_) return false;
    first = get32(&page[at + local]);
    count = (*payload - local + (u - 5)) / (u - 4);
    return true;
  }

  const FWDBPageReader& read_;
  uint32_t pageSize_;
  uint32_t usable_ = 0;
  uint32_t pageCount_;
  uint32_t freelistTrunk_ = 0;
  uint32_t freelistCount_ = 0;
  bool autoVacuum_ = false;
  std::unordered_set<uint32_t> changed_;
  std::unordered_set<uint32_t> accounted_;
  std::unordered_set<uint32_t> visited_;
  std::vector<uint32_t> rewrittenWithCells_;
  std::map<std::string, std::vector<FWDBRowRange>> ranges_;
};

void mergeNeighbours(std::vector<FWDBRowRange>& ranges) {
  std::sort(ranges.begin(), ranges.end(), [](const FWDBRowRange& a, const FWDBRowRange& b) {
    if (a.fromStart != b.fromStart) return a.fromStart;
    return a.after < b.after;
  });
  std::vector<FWDBRowRange> merged;
  for (const auto& r : ranges) {
    if (!merged.empty() && !merged.back().toEnd && !r.fromStart && merged.back().upTo >= r.after) {
      merged.back().toEnd = r.toEnd;
      merged.back().upTo = std::max(merged.back().upTo, r.upTo);
    } else {
      merged.push_back(r);
    }
  }
  ranges = std::move(merged);
}

}  // namespace

std::optional<FWDBChangedRows> FWDBFindChangedRows(const FWDBPageReader& page, uint32_t pageSize, uint32_t pageCount,
                                                   const std::vector<FWDBTree>& trees,
                                                   const std::vector<uint32_t>& changed) {
  Walker walker(page, pageSize, pageCount, changed);
  if (!walker.start()) return std::nullopt;
  for (const auto& tree : trees)
    if (!walker.walkTree(tree)) return std::nullopt;
  if (!walker.walkFreelist()) return std::nullopt;
  walker.accountPointerMaps();
  if (!walker.unaccounted().empty() && !walker.accountOverflow()) return std::nullopt;
  FWDBChangedRows rows;
  rows.unaccounted = walker.unaccounted();
  rows.tables = std::move(walker.ranges());
  for (auto& [name, ranges] : rows.tables) mergeNeighbours(ranges);
  return rows;
}
