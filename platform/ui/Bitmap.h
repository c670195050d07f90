// Bitmap: an in-memory raster image, and its PNG reading and writing.
//
// Pixels are 32-bit premultiplied ARGB in native byte order, rows packed without padding
// (the layout cairo draws into), so drawing needs no conversion. A Bitmap is a value:
// copies are independent. Reading a PNG never trusts the file: damaged or truncated data,
// or a header announcing more than kMaxBitmapDimension pixels a side, answers none.
// Not thread-safe for concurrent writes; concurrent reads are fine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Color.h"

namespace kestrel::ui {

inline constexpr int kMaxBitmapDimension = 8192;

class Bitmap {
 public:
  Bitmap() = default;
  // A transparent bitmap; sizes outside 0...kMaxBitmapDimension give an empty bitmap.
  Bitmap(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  bool isEmpty() const { return width_ == 0 || height_ == 0; }
  int stride() const { return width_ * 4; }
  uint32_t* data() { return pixels_.data(); }
  const uint32_t* data() const { return pixels_.data(); }

  // Un-premultiplied colour of a pixel; transparent outside the bitmap.
  Color pixel(int x, int y) const;
  uint32_t rawPixel(int x, int y) const;

  static std::optional<Bitmap> readPNG(const std::string& path);
  static std::optional<Bitmap> decodePNG(const std::vector<uint8_t>& bytes);
  std::optional<std::vector<uint8_t>> encodePNG() const;
  // Atomic: a reader never sees half a file. False for an empty bitmap or a failed write.
  bool writePNG(const std::string& path) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;
};

// How far two bitmaps are apart, for golden comparisons.
struct BitmapDifference {
  bool sameSize = false;
  int maxChannelDifference = 0;   // 0...255 over all channels of all pixels
  double meanChannelDifference = 0;
  int differingPixels = 0;        // pixels with any channel apart by more than the tolerance
};
BitmapDifference compareBitmaps(const Bitmap& a, const Bitmap& b, int tolerance = 0);

}  // namespace kestrel::ui
