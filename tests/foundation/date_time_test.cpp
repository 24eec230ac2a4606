#include "foundation/date_time.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <time.h>

#include "platform/text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using qav::test::ScopedEnv;

namespace {

// Pins the time zone (and the locale of dates) for one test.
class PinnedZone {
 public:
  explicit PinnedZone(const char* zone) : tz_("TZ", zone), locale_("LC_ALL", "C") { tzset(); }
  ~PinnedZone() { tzset(); }

 private:
  ScopedEnv tz_;
  ScopedEnv locale_;
};

constexpr int64_t kMarch5th2007 = 1173094200;  // 2007-03-05 11:30:00 UTC, a Monday

}  // namespace

TEST(DateTime, TextsInLocalTime) {
  PinnedZone zone("CET-1");
  EXPECT_EQ(FormatTime(kMarch5th2007), u"12:30");
  EXPECT_EQ(FormatDate(kMarch5th2007), u"03/05/07");  // the C locale's short date
  EXPECT_EQ(FormatDateTime(kMarch5th2007), u"03/05/07, 12:30");
  {
    ScopedEnv broken("LC_ALL", "xx_NOWHERE.UTF-8");  // a locale that cannot be loaded
    EXPECT_EQ(FormatDate(kMarch5th2007), u"Mar 05, 2007");
  }
  EXPECT_EQ(FormatDate(INT64_MAX), u"");
  EXPECT_EQ(FormatTime(INT64_MAX), u"");
}

TEST(DateTime, BrokenDownLocalTime) {
  PinnedZone zone("UTC0");
  LocalDateTime t;
  ASSERT_TRUE(TimeToLocalDateTime(kMarch5th2007 + 59, t));
  EXPECT_EQ(t.year, 2007);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 5);
  EXPECT_EQ(t.dayOfWeek, 1);
  EXPECT_EQ(t.hour, 11);
  EXPECT_EQ(t.minute, 30);
  EXPECT_EQ(t.second, 59);
  EXPECT_EQ(t.milliseconds, 0);
  EXPECT_FALSE(TimeToLocalDateTime(INT64_MAX, t));
}

TEST(DateTime, FileLastWriteTime) {
  PinnedZone zone("CET-1");
  qav::test::TempDir dir;
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("f"), "x"));
  const timespec times[2] = {{kMarch5th2007, 0}, {kMarch5th2007, 500}};
  ASSERT_EQ(utimensat(AT_FDCWD, dir.File("f").c_str(), times, 0), 0);
  // 100-ns steps since 1601, one hour ahead for CET.
  const uint64_t expected = 116444736000000000ull + (kMarch5th2007 + 3600) * 10'000'000ull + 5;
  EXPECT_EQ(GetFileLastWriteTime(qav::U16(dir.File("f"))), expected);
  EXPECT_EQ(GetFileLastWriteTime(qav::U16(dir.File("missing"))), 0u);
}
