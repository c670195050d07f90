#include "platform/ui/Image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <unordered_map>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Screen.h"

namespace kestrel::ui {

namespace {

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Resource names come from data too; keep them inside the bundle.
bool isSafeResourceName(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.find('\0') != std::string::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

std::shared_ptr<Image> load(const std::string& path, double scale) {
  auto bitmap = Bitmap::readPNG(path);
  if (!bitmap) return nullptr;
  return Image::imageWithBitmap(std::move(*bitmap), scale);
}

// Named images found so far, by bundle, name and screen scale: bundle resources do not
// change while the process runs, and rows draw the same few images over and over. A
// failed lookup is not kept, so a later call tries again.
class NamedImageCache {
 public:
  std::shared_ptr<Image> find(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = images_.find(key);
    return it == images_.end() ? nullptr : it->second;
  }
  void insert(const std::string& key, const std::shared_ptr<Image>& image) {
    std::lock_guard lock(mutex_);
    if (images_.size() >= kMaxImages) images_.clear();  // names come from data too: stay bounded
    images_[key] = image;
  }

 private:
  static constexpr size_t kMaxImages = 512;
  std::mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<Image>> images_;
};

NamedImageCache& namedImages() {
  static NamedImageCache cache;
  return cache;
}

}  // namespace

Image::Image(std::shared_ptr<const Bitmap> bitmap, double scale, double leftCap, double topCap)
    : bitmap_(std::move(bitmap)), scale_(scale), leftCap_(leftCap), topCap_(topCap) {}

std::shared_ptr<Image> Image::imageWithBitmap(Bitmap bitmap, double scale) {
  if (bitmap.isEmpty() || !(scale > 0) || !std::isfinite(scale)) return nullptr;
  return std::make_shared<Image>(std::make_shared<const Bitmap>(std::move(bitmap)), scale);
}

std::shared_ptr<Image> Image::named(const std::string& name, const std::shared_ptr<Bundle>& bundle) {
  return named(name, bundle, Screen::scale());
}

std::shared_ptr<Image> Image::named(const std::string& name, const std::shared_ptr<Bundle>& bundle, double scale) {
  if (!bundle) return nullptr;
  std::string base = endsWith(name, ".png") ? name.substr(0, name.size() - 4) : name;
  if (!isSafeResourceName(base)) return nullptr;
  const std::string key = bundle->bundlePath() + '\0' + base + '\0' + (scale >= 2 ? "2x" : "1x");
  if (auto cached = namedImages().find(key)) return cached;
  auto image = find(base, *bundle, scale);
  if (image) namedImages().insert(key, image);
  return image;
}

std::shared_ptr<Image> Image::find(const std::string& base, const Bundle& bundle, double scale) {
  if (endsWith(base, "@2x")) {
    auto path = bundle.pathForResource(base, "png");
    return path ? load(*path, 2) : nullptr;
  }
  const std::pair<std::string, double> candidates[2][2] = {{{base, 1}, {base + "@2x", 2}},
                                                           {{base + "@2x", 2}, {base, 1}}};
  for (const auto& [resource, imageScale] : candidates[scale >= 2 ? 1 : 0]) {
    if (auto path = bundle.pathForResource(resource, "png")) {
      if (auto image = load(*path, imageScale)) return image;
    }
  }
  return nullptr;
}

std::shared_ptr<Image> Image::imageWithContentsOfFile(const std::string& path) {
  return imageWithContentsOfFile(path, Screen::scale());
}

std::shared_ptr<Image> Image::imageWithContentsOfFile(const std::string& path, double scale) {
  if (path.empty()) return nullptr;
  if (endsWith(path, "@2x.png")) return load(path, 2);
  if (scale >= 2 && endsWith(path, ".png")) {
    if (auto image = load(path.substr(0, path.size() - 4) + "@2x.png", 2)) return image;
  }
  return load(path, 1);
}

Size Image::size() const { return {bitmap_->width() / scale_, bitmap_->height() / scale_}; }

double Image::rightCapWidth() const { return leftCap_ > 0 ? std::max(0.0, size().width - leftCap_ - 1) : 0; }

double Image::bottomCapHeight() const { return topCap_ > 0 ? std::max(0.0, size().height - topCap_ - 1) : 0; }

std::shared_ptr<Image> Image::stretchableImageWithLeftCapWidth(double leftCapWidth, double topCapHeight) const {
  Size s = size();
  auto clampCap = [](double cap, double extent) {
    if (!(cap > 0)) return 0.0;
    return std::min(std::floor(cap), std::max(0.0, extent - 1));
  };
  return std::make_shared<Image>(bitmap_, scale_, clampCap(leftCapWidth, s.width), clampCap(topCapHeight, s.height));
}

std::shared_ptr<Image> Image::imageTintedWithColor(const Color& color) const {
  Size s = size();
  BitmapContext canvas(s, scale_);
  GraphicsContext& c = canvas.context();
  c.drawImage(Image(bitmap_, scale_), {{}, s});
  c.setBlendMode(BlendMode::SourceAtop);
  c.setFillColor(color);
  c.fillRect({{}, s});
  return std::make_shared<Image>(std::make_shared<const Bitmap>(canvas.bitmap()), scale_, leftCap_, topCap_);
}

void Image::drawInRect(GraphicsContext& context, const Rect& rect, double alpha) const {
  context.drawImage(*this, rect, alpha);
}

void Image::drawAtPoint(GraphicsContext& context, Point point) const { drawInRect(context, {point, size()}); }

std::string Image::description() const {
  char buf[96];
  std::snprintf(buf, sizeof buf, "<Image: %gx%g @%gx>", size().width, size().height, scale_);
  return buf;
}

}  // namespace kestrel::ui
