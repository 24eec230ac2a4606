#include "foundation/option_value.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A reader on another thread sees only whole texts while the option is reassigned under it.
TEST(OptionText, ReadersNeverSeeATextBeingAssigned) {
  const std::u16string a(300, u'a'), b(5, u'b');
  COptionText option(a);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) option = (i % 2 ? a : b);
    done = true;
  });
  int torn = 0;
  while (!done) {
    const std::u16string seen = option;
    if (seen != a && seen != b) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);

  COptionInt number{-1};
  EXPECT_EQ(number, -1);
  number = 7;
  EXPECT_EQ(number.Get(), 7);
  COptionTime time{int64_t{1} << 40};
  EXPECT_EQ(time, int64_t{1} << 40);
}

}  // namespace
