#include "platform/foundation/BinaryPlistCheck.h"

#include <cstring>
#include <optional>
#include <vector>

namespace kestrel {
namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kTrailerSize = 32;

uint64_t readBigEndian(const uint8_t* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

class Checker {
 public:
  Checker(const uint8_t* data, size_t size, BinaryPlistLimits limits) : data_(data), size_(size), limits_(limits) {}

  bool run(std::string* why) {
    bool ok = check();
    if (!ok && why) *why = why_;
    return ok;
  }

 private:
  enum class Mark : uint8_t { New, OnPath, Done };

  bool reject(const char* why) {
    why_ = why;
    return false;
  }
  std::nullopt_t fail(const char* why) {
    why_ = why;
    return std::nullopt;
  }

  bool check() {
    if (size_ < kHeaderSize + kTrailerSize) return reject("too short");
    const uint8_t* trailer = data_ + size_ - kTrailerSize;
    offsetSize_ = trailer[6];
    refSize_ = trailer[7];
    uint64_t count = readBigEndian(trailer + 8, 8);
    uint64_t top = readBigEndian(trailer + 16, 8);
    uint64_t table = readBigEndian(trailer + 24, 8);
    objectsEnd_ = size_ - kTrailerSize;
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return reject("bad integer sizes");
    if (count == 0 || top >= count) return reject("bad object count");
    if (table < kHeaderSize || table > objectsEnd_) return reject("offset table out of bounds");
    if (count > (objectsEnd_ - table) / offsetSize_) return reject("offset table too long");
    offsets_.resize(count);
    for (uint64_t i = 0; i < count; ++i) {
      uint64_t off = readBigEndian(data_ + table + i * offsetSize_, offsetSize_);
      if (off < kHeaderSize || off >= table) return reject("object offset out of bounds");
      offsets_[i] = off;
    }
    objectsEnd_ = table;
    marks_.assign(count, Mark::New);
    values_.assign(count, 0);
    return object(top, 0).has_value();
  }

  // The length that follows a marker with 0xF in its low nibble: an integer object.
  std::optional<uint64_t> length(uint8_t info, uint64_t& pos) {
    if (info != 0xF) return info;
    if (pos >= objectsEnd_) return fail("length out of bounds");
    uint8_t marker = data_[pos++];
    if ((marker >> 4) != 0x1 || (marker & 0xF) > 3) return fail("bad length");
    size_t n = size_t{1} << (marker & 0xF);
    if (n > objectsEnd_ - pos) return fail("length out of bounds");
    uint64_t v = readBigEndian(data_ + pos, n);
    pos += n;
    return v;
  }

  bool fits(uint64_t pos, uint64_t count, uint64_t unit) const {
    return pos <= objectsEnd_ && count <= (objectsEnd_ - pos) / unit;
  }

  // Values in the expanded subtree of object i, or none when the graph is not acceptable.
  std::optional<uint64_t> object(uint64_t i, int depth) {
    if (depth > limits_.maxDepth) return fail("nested too deeply");
    if (marks_[i] == Mark::Done) return values_[i];
    if (marks_[i] == Mark::OnPath) return fail("reference cycle");
    marks_[i] = Mark::OnPath;
    uint64_t pos = offsets_[i];
    uint8_t marker = data_[pos++];
    uint8_t type = marker >> 4, info = marker & 0xF;
    uint64_t total = 1;
    switch (type) {
      case 0x0:
        if (info != 0x0 && info != 0x8 && info != 0x9 && info != 0xF) return fail("bad marker");
        break;
      case 0x1:
        if (info > 4 || !fits(pos, uint64_t{1} << info, 1)) return fail("bad integer");
        break;
      case 0x2:
        if ((info != 2 && info != 3) || !fits(pos, uint64_t{1} << info, 1)) return fail("bad real");
        break;
      case 0x3:
        if (info != 3 || !fits(pos, 8, 1)) return fail("bad date");
        break;
      case 0x8:
        if (info > 7 || !fits(pos, info + 1u, 1)) return fail("bad UID");
        break;
      case 0x4:
      case 0x5:
      case 0x6: {
        auto n = length(info, pos);
        if (!n) return std::nullopt;
        if (!fits(pos, *n, type == 0x6 ? 2 : 1)) return fail("string or data out of bounds");
        break;
      }
      case 0xA:
      case 0xB:
      case 0xC:
      case 0xD: {
        auto n = length(info, pos);
        if (!n) return std::nullopt;
        uint64_t refs = type == 0xD ? 2 : 1;
        if (*n > UINT64_MAX / refs || !fits(pos, *n * refs, refSize_)) return fail("container out of bounds");
        for (uint64_t k = 0; k < *n * refs; ++k) {
          uint64_t ref = readBigEndian(data_ + pos + k * refSize_, refSize_);
          if (ref >= offsets_.size()) return fail("reference out of range");
          if (type == 0xD && k < *n && !isKey(ref)) return fail("dictionary key is not a plain string");
          auto sub = object(ref, depth + 1);
          if (!sub) return std::nullopt;
          total += *sub;
          if (total > limits_.maxValues) return fail("too many values");
        }
        break;
      }
      default:
        return fail("unknown marker");
    }
    marks_[i] = Mark::Done;
    values_[i] = total;
    return total;
  }

  // A key must be an ASCII or UTF-16 string without NUL characters.
  bool isKey(uint64_t i) {
    uint64_t pos = offsets_[i];
    uint8_t marker = data_[pos++];
    uint8_t type = marker >> 4;
    if (type != 0x5 && type != 0x6) return false;
    auto n = length(marker & 0xF, pos);
    if (!n || !fits(pos, *n, type == 0x6 ? 2 : 1)) return false;
    if (type == 0x5) return std::memchr(data_ + pos, 0, *n) == nullptr;
    for (uint64_t k = 0; k < *n; ++k)
      if (data_[pos + 2 * k] == 0 && data_[pos + 2 * k + 1] == 0) return false;
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  BinaryPlistLimits limits_;
  uint8_t offsetSize_ = 0, refSize_ = 0;
  uint64_t objectsEnd_ = 0;
  std::vector<uint64_t> offsets_;
  std::vector<Mark> marks_;
  std::vector<uint64_t> values_;
  std::string why_;
};

}  // namespace

bool looksLikeBinaryPlist(const uint8_t* data, size_t size) {
  return data && size >= 6 && std::memcmp(data, "bplist", 6) == 0;
}

bool isWellFormedBinaryPlist(const uint8_t* data, size_t size, std::string* why, BinaryPlistLimits limits) {
  if (!looksLikeBinaryPlist(data, size)) {
    if (why) *why = "no binary property-list signature";
    return false;
  }
  return Checker(data, size, limits).run(why);
}

}  // namespace kestrel
