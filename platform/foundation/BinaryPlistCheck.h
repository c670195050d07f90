// BinaryPlistCheck: a structural check of binary property lists ("bplist00") before they
// reach libplist.
//
// libplist trusts parts of its input: it aborts on a dictionary key that holds a NUL
// character, and it expands shared references into copies without a bound. This check walks
// the whole object graph once, without allocating per object, and answers false for
// anything libplist should not see: a trailer or offset table out of bounds, object
// references out of range, lengths that run past the end, unknown markers, dictionary keys
// that are not NUL-free strings, reference cycles, nesting deeper than maxDepth, or more than
// maxValues values once shared references are expanded.
//
// Pure function of its input; thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel {

struct BinaryPlistLimits {
  int maxDepth = 512;
  uint64_t maxValues = 1'000'000;
};

// True when the bytes start with the binary property-list signature.
bool looksLikeBinaryPlist(const uint8_t* data, size_t size);

// True when the binary property list is safe to parse. On false, *why (when given) says what
// is wrong.
bool isWellFormedBinaryPlist(const uint8_t* data, size_t size, std::string* why = nullptr,
                             BinaryPlistLimits limits = {});

}  // namespace kestrel
