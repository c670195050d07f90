#include "platform/ui/Bitmap.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/foundation/Files.h"

namespace kestrel::ui {

namespace {

// A PNG larger than this is not an icon or a row picture; refuse it rather than read it.
constexpr uint64_t kMaxPNGFileSize = 64u << 20;

uint32_t readBigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// Checks the signature and the announced size before libpng allocates anything.
bool plausiblePNGHeader(const std::vector<uint8_t>& bytes) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() < 33 || std::memcmp(bytes.data(), kSignature, 8) != 0) return false;
  if (std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return false;
  uint32_t w = readBigEndian32(bytes.data() + 16), h = readBigEndian32(bytes.data() + 20);
  return w > 0 && h > 0 && w <= uint32_t(kMaxBitmapDimension) && h <= uint32_t(kMaxBitmapDimension);
}

struct ReadCursor {
  const std::vector<uint8_t>* bytes;
  size_t offset = 0;
};

cairo_status_t readFromCursor(void* closure, unsigned char* data, unsigned int length) {
  auto* cursor = static_cast<ReadCursor*>(closure);
  if (cursor->bytes->size() - cursor->offset < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, cursor->bytes->data() + cursor->offset, length);
  cursor->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

cairo_status_t appendToVector(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

Bitmap::Bitmap(int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxBitmapDimension || height > kMaxBitmapDimension) return;
  width_ = width;
  height_ = height;
  pixels_.assign(size_t(width) * size_t(height), 0);
}

uint32_t Bitmap::rawPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

Color Bitmap::pixel(int x, int y) const {
  uint32_t p = rawPixel(x, y);
  double a = double(p >> 24) / 255.0;
  if (a == 0) return Color::clearColor();
  auto channel = [&](int shift) { return std::min(1.0, double((p >> shift) & 0xff) / 255.0 / a); };
  return Color::rgba(channel(16), channel(8), channel(0), a);
}

std::optional<Bitmap> Bitmap::readPNG(const std::string& path) {
  auto size = files::size(path);
  if (!size || *size > kMaxPNGFileSize) return std::nullopt;
  auto bytes = files::readFile(path);
  if (!bytes) return std::nullopt;
  return decodePNG(*bytes);
}

std::optional<Bitmap> Bitmap::decodePNG(const std::vector<uint8_t>& bytes) {
  if (!plausiblePNGHeader(bytes)) return std::nullopt;
  ReadCursor cursor{&bytes};
  cairo_surface_t* loaded = cairo_image_surface_create_from_png_stream(readFromCursor, &cursor);
  if (cairo_surface_status(loaded) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(loaded);
    return std::nullopt;
  }
  Bitmap out(cairo_image_surface_get_width(loaded), cairo_image_surface_get_height(loaded));
  if (out.isEmpty()) {
    cairo_surface_destroy(loaded);
    return std::nullopt;
  }
  // Paint whatever format libpng produced (opaque RGB, grey, alpha) into our ARGB layout.
  cairo_surface_t* target = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(out.data()),
                                                                CAIRO_FORMAT_ARGB32, out.width(), out.height(),
                                                                out.stride());
  cairo_t* cr = cairo_create(target);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, loaded, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target);
  cairo_surface_destroy(target);
  cairo_surface_destroy(loaded);
  return out;
}

std::optional<std::vector<uint8_t>> Bitmap::encodePNG() const {
  if (isEmpty()) return std::nullopt;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(data())), CAIRO_FORMAT_ARGB32, width_, height_,
      stride());
  std::vector<uint8_t> out;
  cairo_status_t status = cairo_surface_write_to_png_stream(surface, appendToVector, &out);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return out;
}

bool Bitmap::writePNG(const std::string& path) const {
  auto png = encodePNG();
  return png && files::writeFileAtomically(path, png->data(), png->size());
}

BitmapDifference compareBitmaps(const Bitmap& a, const Bitmap& b, int tolerance) {
  BitmapDifference d;
  d.sameSize = a.width() == b.width() && a.height() == b.height();
  if (!d.sameSize) {
    d.maxChannelDifference = 255;
    d.meanChannelDifference = 255;
    return d;
  }
  uint64_t total = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      uint32_t pa = a.rawPixel(x, y), pb = b.rawPixel(x, y);
      int worst = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        int delta = std::abs(int((pa >> shift) & 0xff) - int((pb >> shift) & 0xff));
        worst = std::max(worst, delta);
        total += uint64_t(delta);
      }
      d.maxChannelDifference = std::max(d.maxChannelDifference, worst);
      if (worst > tolerance) ++d.differingPixels;
    }
  }
  uint64_t channels = uint64_t(a.width()) * uint64_t(a.height()) * 4;
  d.meanChannelDifference = channels ? double(total) / double(channels) : 0;
  return d;
}

}  // namespace kestrel::ui
