// kestrel-images BUNDLE...: writes every image of IconDrawings.h as <name>.png and
// <name>@2x.png into each bundle folder given (created when missing).
// kestrel-images --sheet FILE.png: all images at 2x on a dark and a light strip, to look at.
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/ui/Bitmap.h"
#include "tools/images/IconDrawings.h"

namespace {

int writeSheet(const std::string& path) {
  const auto drawings = kestrel::images::imageDrawings();
  const double cell = 30;
  const kestrel::ui::Size size{cell * static_cast<double>(drawings.size()), 2 * cell};
  kestrel::ui::BitmapContext canvas(size, 2);
  auto& c = canvas.context();
  c.setFillColor(kestrel::Color::rgba(0.15, 0.17, 0.22));
  c.fillRect({0, 0, size.width, cell});
  c.setFillColor(kestrel::Color::white(0.85));
  c.fillRect({0, cell, size.width, cell});
  double x = 0;
  for (const auto& image : drawings) {
    for (double y : {0.0, cell}) {
      c.saveGState();
      c.translate(x + (cell - image.size.width) / 2, y + (cell - image.size.height) / 2);
      image.draw(c, image.size);
      c.restoreGState();
    }
    x += cell;
  }
  return canvas.takeBitmap().writePNG(path) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--sheet") return writeSheet(argv[2]);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kestrel-images BUNDLE-FOLDER...\n");
    return 2;
  }
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path folder(argv[i]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const auto& image : kestrel::images::imageDrawings()) {
      for (double scale : {1.0, 2.0}) {
        kestrel::ui::BitmapContext canvas(image.size, scale);
        image.draw(canvas.context(), image.size);
        std::string file = std::string(image.name) + (scale == 2 ? "@2x.png" : ".png");
        if (!canvas.takeBitmap().writePNG((folder / file).string())) {
          std::fprintf(stderr, "kestrel-images: cannot write %s\n", (folder / file).c_str());
          ++failures;
        }
      }
    }
  }
  return failures ? 1 : 0;
}
