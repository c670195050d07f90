#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/BinaryPlistCheck.h"
#include "platform/foundation/PlistValue.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

namespace {

// A binary property list written byte by byte: objects, then the offset table and trailer
// (one-byte offsets and references).
Bytes bplist(const std::vector<Bytes>& objects, uint8_t top = 0) {
  Bytes out = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<uint8_t> offsets;
  for (const auto& o : objects) {
    offsets.push_back(static_cast<uint8_t>(out.size()));
    out.insert(out.end(), o.begin(), o.end());
  }
  uint8_t table = static_cast<uint8_t>(out.size());
  out.insert(out.end(), offsets.begin(), offsets.end());
  Bytes trailer(32, 0);
  trailer[6] = 1;
  trailer[7] = 1;
  trailer[15] = static_cast<uint8_t>(objects.size());
  trailer[23] = top;
  trailer[31] = table;
  out.insert(out.end(), trailer.begin(), trailer.end());
  return out;
}

bool wellFormed(const Bytes& b, std::string* why = nullptr) { return isWellFormedBinaryPlist(b.data(), b.size(), why); }

}  // namespace

TEST(BinaryPlistCheck, AcceptsWhatLibplistWrites) {
  test::TempDeviceRoot root;
  PlistValue d = PlistValue::dict();
  d.set("list", PlistValue(PlistValue::Array{1, 2.5, "three", Bytes{4}, Date(5), PlistUid{6}, true}));
  d.set("Zürich", PlistValue::dict());
  EXPECT_TRUE(wellFormed(d.toBytes(PlistValue::Format::Binary)));
  // A dictionary {"a": "b"} by hand, and one object shared by two arrays.
  EXPECT_TRUE(wellFormed(bplist({{0xD1, 1, 2}, {0x51, 'a'}, {0x51, 'b'}})));
  EXPECT_TRUE(wellFormed(bplist({{0xA2, 1, 1}, {0xA1, 2}, {0x10, 7}})));
}

TEST(BinaryPlistCheck, RefusesWhatLibplistMustNotSee) {
  std::string why;
  // A key with a NUL character (libplist aborts on it), in both string encodings.
  EXPECT_FALSE(wellFormed(bplist({{0xD1, 1, 2}, {0x52, 'a', 0}, {0x51, 'b'}}), &why));
  EXPECT_EQ(why, "dictionary key is not a plain string");
  EXPECT_FALSE(wellFormed(bplist({{0xD1, 1, 2}, {0x61, 0, 0}, {0x51, 'b'}})));
  EXPECT_FALSE(wellFormed(bplist({{0xD1, 1, 2}, {0x10, 1}, {0x51, 'b'}})));  // a number as key
  // An array that contains itself; a reference past the table; a string longer than the file.
  EXPECT_FALSE(wellFormed(bplist({{0xA1, 0}}), &why));
  EXPECT_EQ(why, "reference cycle");
  EXPECT_FALSE(wellFormed(bplist({{0xA1, 9}})));
  EXPECT_FALSE(wellFormed(bplist({{0x5F, 0x10, 200, 'a'}})));
  // Twenty levels of arrays that each hold the level below twice: 2^20 values.
  std::vector<Bytes> levels;
  for (uint8_t i = 0; i < 20; ++i) levels.push_back({0xA2, static_cast<uint8_t>(i + 1), static_cast<uint8_t>(i + 1)});
  levels.push_back({0x10, 1});
  EXPECT_FALSE(wellFormed(bplist(levels), &why));
  EXPECT_EQ(why, "too many values");
  // Truncated input.
  Bytes good = bplist({{0x51, 'a'}});
  EXPECT_FALSE(isWellFormedBinaryPlist(good.data(), good.size() - 1));
}

TEST(BinaryPlistCheck, PropertyListReaderRefusesKeysWithNul) {
  test::TempDeviceRoot root;
  EXPECT_FALSE(PlistValue::fromBytes(bplist({{0xD1, 1, 2}, {0x52, 'a', 0}, {0x51, 'b'}})));
  EXPECT_TRUE(PlistValue::fromBytes(bplist({{0xD1, 1, 2}, {0x52, 'a', 'c'}, {0x51, 'b'}})));
}
