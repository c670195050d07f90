#include <gtest/gtest.h>

#include "platform/foundation/RunLoop.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kestrel::RunLoop::setMainThread();
  return RUN_ALL_TESTS();
}
