// The catch-up's readers of raw database bytes: any bytes, read as a write-ahead log and as a
// database of 512-byte pages whose every page was rewritten, must give an answer or none,
// never a read out of bounds or a hang.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "database/FWDBChangedRows.h"
#include "database/FWDBLogFrames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto read = [&](unsigned char* into, size_t amount, uint64_t offset) {
    if (offset > size || amount > size - offset) return false;
    std::memcpy(into, data + offset, amount);
    return true;
  };
  if (auto scan = FWDBScanLog(read, size)) {
    // Going on from any position of the same log must agree with the whole scan.
    auto again = FWDBScanLog(read, size, scan->end);
    if (!again || again->end != scan->end || !again->pagesSince.empty()) __builtin_trap();
  }

  constexpr uint32_t kPageSize = 512;
  const uint32_t pages = static_cast<uint32_t>(size / kPageSize);
  if (pages == 0) return 0;
  std::vector<uint32_t> changed;
  for (uint32_t p = 1; p <= pages; ++p) changed.push_back(p);
  // Every page may be the root of a table or an index.
  std::vector<FWDBTree> trees;
  for (uint32_t p = 1; p <= pages && p <= 16; ++p)
    trees.push_back({"t" + std::to_string(p), p, p % 2 ? FWDBTree::Kind::Rows : FWDBTree::Kind::Derived});
  auto page = [&](uint32_t number, unsigned char* into) {
    if (number == 0 || number > pages) return false;
    std::memcpy(into, data + size_t(number - 1) * kPageSize, kPageSize);
    return true;
  };
  (void)FWDBFindChangedRows(page, kPageSize, pages, trees, changed);
  return 0;
}
