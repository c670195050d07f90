// Reference pictures: a rendered image is compared with a committed PNG, allowing small
// differences (anti-aliasing, library versions). With KESTREL_UPDATE_GOLDEN set in the
// environment the reference is rewritten from the image first.
#pragma once

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/ui/Bitmap.h"

namespace kestrel::test {

inline void expectMatchesGolden(const ui::Bitmap& image, const std::string& golden) {
  if (std::getenv("KESTREL_UPDATE_GOLDEN")) {
    ASSERT_TRUE(image.writePNG(golden));
  }
  auto reference = ui::Bitmap::readPNG(golden);
  ASSERT_TRUE(reference) << "missing " << golden << " (run with KESTREL_UPDATE_GOLDEN=1 to write it)";
  auto difference = ui::compareBitmaps(image, *reference, 8);
  EXPECT_TRUE(difference.sameSize) << golden;
  EXPECT_LT(difference.differingPixels, 40) << golden << ": max channel difference " << difference.maxChannelDifference;
}

}  // namespace kestrel::test
