#include "platform/ui/Screen.h"

#include <atomic>

namespace kestrel::ui {

namespace {

std::atomic<double> gScale{1};
std::atomic<double> gWidth{320};
std::atomic<double> gHeight{480};

}  // namespace

double Screen::scale() { return gScale.load(); }

void Screen::setScale(double scale) {
  if (scale == 1 || scale == 2) gScale.store(scale);
}

Size Screen::size() { return {gWidth.load(), gHeight.load()}; }

void Screen::setSize(Size size) {
  if (!(size.width > 0) || !(size.height > 0)) return;
  gWidth.store(size.width);
  gHeight.store(size.height);
}

}  // namespace kestrel::ui
