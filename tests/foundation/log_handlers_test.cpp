// The text form of records and the two handler kinds, written through a real CLogger with the
// clock, thread id, process id and time zone pinned so that files compare byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "foundation/file_log_handler.h"
#include "foundation/log_record_text.h"
#include "foundation/logger.h"
#include "foundation/mem_buf_log_handler.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::test::ReadFileBytes;
using qav::test::TempDir;
using qav::test::WriteFileBytes;

// 14 Nov 2023 22:13:20.042 UTC; local time in "ABC-2" (two hours east) is the next day.
constexpr qav::WallTime kPinnedTime{1'700'000'000, 42};

class PinnedLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz) savedTz_ = tz;
    setenv("TZ", "ABC-2", 1);
    tzset();
    qav::SetCurrentClock(&clock_);
    qav::SetThreadIdSource([] { return 4321u; });
    qav::SetProcessIdSource([] { return 987u; });
  }
  void TearDown() override {
    qav::SetCurrentClock(nullptr);
    qav::SetThreadIdSource(nullptr);
    qav::SetProcessIdSource(nullptr);
    if (savedTz_) {
      setenv("TZ", savedTz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  std::u16string Base() const { return qav::U16(dir_.File("QAV Debug Log")); }
  std::string FileOf(int index) const { return qav::U8(Base()) + "_" + std::to_string(index) + ".log"; }

  // The text one record gets from this fixture's logger and pinned values.
  static std::string ExpectedRecord(const char* level, unsigned sequence, int line, const std::string& message) {
    return std::string("\r\nLogger name: QAV\tLevel: ") + level + "\tTime: 15/11/2023 00:13:20.042\tSequence: " +
           std::to_string(sequence) + "\tThread ID: 4321\tProcess ID: 987\tSource file: Call.cpp\tSource line: " +
           std::to_string(line) + "\r\nMessage: " + message + "\r\n";
  }

  // Sequence numbers in the order they stand in a log text.
  // (A plain search: a dump of the program's ring is megabytes long.)
  static std::vector<unsigned> Sequences(const std::string& text) {
    std::vector<unsigned> found;
    static constexpr std::string_view kLabel = "\tSequence: ";
    for (size_t at = text.find(kLabel); at != std::string::npos; at = text.find(kLabel, at + 1)) {
      found.push_back(static_cast<unsigned>(std::strtoul(text.c_str() + at + kLabel.size(), nullptr, 10)));
    }
    return found;
  }

  qav::VirtualClock clock_{0, kPinnedTime};
  TempDir dir_;
  CLogger logger_{u"QAV"};

 private:
  std::optional<std::string> savedTz_;
};

std::string Utf16LeWithBom(const std::string& utf8) { return "\xFF\xFE" + qav::TextToUtf16LeBytes(qav::U16(utf8)); }

TEST_F(PinnedLogTest, RecordTextIsExactInTheFileAndTheRing) {
  CFileLogHandler file(LOG_FINE, Base(), 1 << 20, false);
  CMemBufLogHandler ring(LOG_ALL, 10);
  logger_.AddHandler(&file);
  logger_.AddHandler(&ring);
  logger_.Log(LOG_INFO, u"Call.cpp", 99, u"CCall::init callId: 5, p=0x1");
  logger_.Log(LOG_SEVERE, u"Call.cpp", 100, u"caf\u00e9 \u2122");

  const std::string expected =
      ExpectedRecord("INFO", 0, 99, "CCall::init callId: 5, p=0x1") + ExpectedRecord("SEVERE", 1, 100, "café ™");
  EXPECT_EQ(ReadFileBytes(FileOf(0)), expected);
  ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
  EXPECT_EQ(ReadFileBytes(dir_.File("dump.txt")), Utf16LeWithBom(expected));
}

TEST(LogRecordText, LevelNamesAndMidnightDigits) {
  const struct {
    int32_t level;
    std::u16string_view name;
  } cases[] = {{0, u""},         {1, u"ALL"},     {2, u"FINEST"},  {3, u"FINER"},  {4, u"FINE"}, {5, u"CONFIG"},
               {6, u"INFO"},     {7, u"WARNING"}, {8, u"SEVERE"},  {9, u"OFF"},    {10, u""}};
  for (const auto& c : cases) EXPECT_EQ(LogLevelName(c.level), c.name) << c.level;

  setenv("TZ", "UTC0", 1);
  tzset();
  CLogRecord record;
  record.level = 12;  // not a level: shown as its number
  record.loggerName = u"L";
  record.timeSeconds = 946684800;  // 1 Jan 2000 00:00:00
  record.milliseconds = 7;
  EXPECT_EQ(FormatLogRecord(record),
            u"\r\nLogger name: L\tLevel: 12\tTime: 01/01/2000 00:00:00.007\tSequence: 0\tThread ID: 0\t"
            u"Process ID: 0\tSource file: \tSource line: 0\r\nMessage: \r\n");
  unsetenv("TZ");
  tzset();
}

TEST_F(PinnedLogTest, LevelFilter) {
  const struct {
    int32_t handlerLevel;
    int32_t recordLevel;
    bool written;
  } cases[] = {
      {LOG_INFO, LOG_INFO, true},  {LOG_INFO, LOG_FINE, false}, {LOG_INFO, LOG_SEVERE, true},
      {LOG_OFF, LOG_OFF, false},   {LOG_ALL, LOG_ALL, true},    {LOG_WARNING, LOG_OFF, true},
  };
  for (const auto& c : cases) {
    CMemBufLogHandler ring(c.handlerLevel, 4);
    CLogRecord record;
    record.level = c.recordLevel;
    EXPECT_EQ(ring.Log(record), 1);
    ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
    EXPECT_EQ(ReadFileBytes(dir_.File("dump.txt")).size() > 2, c.written)
        << "handler " << c.handlerLevel << " record " << c.recordLevel;
  }
}

TEST_F(PinnedLogTest, FilesAlternateAtTheSizeLimitAndTheOldLogBecomesBak) {
  ASSERT_TRUE(WriteFileBytes(FileOf(0), "previous run"));
  ASSERT_TRUE(WriteFileBytes(FileOf(0) + ".bak", "older run"));
  ASSERT_TRUE(WriteFileBytes(FileOf(1), "stale second file"));

  // Each record is longer than the limit, so every file is full after one record.
  CFileLogHandler file(LOG_ALL, Base(), 100, false);
  EXPECT_EQ(ReadFileBytes(FileOf(0) + ".bak"), "previous run");
  struct stat info {};
  EXPECT_NE(stat(FileOf(0).c_str(), &info), 0);
  EXPECT_EQ(ReadFileBytes(FileOf(1)), "stale second file");  // untouched until the switch

  logger_.AddHandler(&file);
  const std::vector<std::vector<unsigned>> expectedAfter[] = {
      // {file 0, file 1} after each record
      {{0}, {}},         // first record starts file 0; file 1 still holds the stale text
      {{0, 1}, {}},      // file 0 was full: one more record into it, file 1 deleted
      {{0, 1}, {2}},     // the next record starts file 1 afresh
      {{}, {2, 3}},      // file 1 full: one more into it, file 0 deleted
      {{4}, {2, 3}},
  };
  for (unsigned i = 0; i < 5; ++i) {
    logger_.Log(LOG_INFO, u"Call.cpp", 1, u"rotation");
    EXPECT_EQ(Sequences(ReadFileBytes(FileOf(0))), expectedAfter[i][0]) << "after record " << i;
    EXPECT_EQ(Sequences(ReadFileBytes(FileOf(1))), expectedAfter[i][1]) << "after record " << i;
  }
  EXPECT_EQ(ReadFileBytes(FileOf(0) + ".bak"), "previous run");
  EXPECT_EQ(file.GetCurrentFilePath(), qav::U16(FileOf(0)));
}

TEST_F(PinnedLogTest, ThreeSlotRingKeepsTheLastTwoOfFiveRecordsOldestFirst) {
  CMemBufLogHandler ring(LOG_ALL, 3);
  logger_.AddHandler(&ring);
  for (int i = 1; i <= 5; ++i) logger_.Log(LOG_INFO, u"Call.cpp", i, qav::Format(u"record %d", i));
  ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
  EXPECT_EQ(ReadFileBytes(dir_.File("dump.txt")),
            Utf16LeWithBom(ExpectedRecord("INFO", 3, 4, "record 4") + ExpectedRecord("INFO", 4, 5, "record 5")));

  // An empty ring dumps the byte-order mark alone; a file that cannot be created is a failure.
  CMemBufLogHandler empty(LOG_ALL, 2);
  ASSERT_EQ(empty.DumpToFile(qav::U16(dir_.File("empty.txt"))), 1);
  EXPECT_EQ(ReadFileBytes(dir_.File("empty.txt")), "\xFF\xFE");
  EXPECT_EQ(empty.DumpToFile(qav::U16(dir_.File("no such folder/dump.txt"))), 0);
}

// A ring keeps its latest slotCount - 1 records of a long run of ordinary lines, however many bytes
// they take: the program's ring of 50,000 slots its latest 49,999, and a smaller one, dumped, the
// very latest in order.
TEST_F(PinnedLogTest, ARingKeepsItsLatestRecordsOfManyShortLinesByCount) {
  // A line of the call link as it often stands in the log; the ring numbers the records itself.
  const std::u16string line = u"<- S2D[#20417]: CALL 1093 STATUS INPROGRESS, duration so far 117 s ";
  const struct {
    int slots;
    unsigned records;
    bool dump;
  } cases[] = {{50'000, 60'000, false}, {5'000, 6'000, true}};
  for (const auto& c : cases) {
    CMemBufLogHandler ring(LOG_ALL, c.slots);
    CLogger logger(u"QAV");
    logger.AddHandler(&ring);
    for (unsigned i = 0; i < c.records; ++i) logger.Log(LOG_INFO, u"stl_transport.cpp", 276, line);
    const size_t held = static_cast<size_t>(c.slots - 1);
    EXPECT_EQ(ring.RecordCount(), held) << c.slots;
    EXPECT_LE(ring.CapacityBytes(), ring.MaxCapacityBytes());
    if (!c.dump) continue;
    ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
    const std::string dump = ReadFileBytes(dir_.File("dump.txt"));
    std::vector<unsigned> newest(held);
    for (unsigned i = 0; i < held; ++i) newest[i] = c.records - static_cast<unsigned>(held) + i;
    EXPECT_EQ(Sequences(qav::U8(qav::Utf16LeBytesToText(dump.data() + 2, dump.size() - 2))), newest);
  }
}

// Records of every length up to a few hundred characters, some stored as UTF-16, wrap the ring at
// every offset and make it grow: it keeps exactly the latest records. Records so long that the
// latest ones would pass the ring's bound push the oldest out early instead, and the ring's bytes
// stay within the bound.
TEST_F(PinnedLogTest, RingKeepsTheLatestRecordsWhateverTheirLengthsWithinItsBound) {
  constexpr int kSlots = 1000;
  const struct {
    unsigned repeat;  // each message's length is scaled by this
    bool allHeld;
  } cases[] = {{1, true}, {40, false}};
  for (const auto& c : cases) {
    CMemBufLogHandler ring(LOG_ALL, kSlots);
    CLogger logger(u"QAV");
    logger.AddHandler(&ring);
    const size_t startBytes = ring.CapacityBytes();
    constexpr unsigned kRecords = 3000;
    auto messageOf = [&](unsigned i) {
      std::u16string text((static_cast<size_t>(i % 7) * 60 + i % 13) * c.repeat, u'a' + static_cast<char16_t>(i % 26));
      if (i % 5 == 0) text += u"\u2122";
      return text;
    };
    for (unsigned i = 0; i < kRecords; ++i) logger.Log(LOG_INFO, u"Call.cpp", 1, messageOf(i));

    const size_t held = ring.RecordCount();
    if (c.allHeld) {
      EXPECT_EQ(held, static_cast<size_t>(kSlots - 1));
      EXPECT_GT(ring.CapacityBytes(), startBytes);  // grew to hold them
    } else {
      EXPECT_GT(held, 10u);
      EXPECT_LT(held, static_cast<size_t>(kSlots - 1));  // the bound pushed the oldest out
    }
    EXPECT_LE(ring.CapacityBytes(), ring.MaxCapacityBytes()) << c.repeat;
    ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
    const std::string dump = ReadFileBytes(dir_.File("dump.txt"));
    const std::string text = qav::U8(qav::Utf16LeBytesToText(dump.data() + 2, dump.size() - 2));
    std::string expected;
    for (unsigned i = kRecords - static_cast<unsigned>(held); i < kRecords; ++i) {
      expected += ExpectedRecord("INFO", i, 1, qav::U8(messageOf(i)));
    }
    EXPECT_EQ(text, expected) << c.repeat;
  }
}

// A message is kept whole in the ring up to its bound, also where it takes more than a small ring's
// first bytes; beyond the bound it is cut, and says so.
TEST_F(PinnedLogTest, RingKeepsALongMessageWholeUpToItsBoundAndSaysWhatItCut) {
  const size_t bound = CMemBufLogHandler::kMaxMessageUnits;
  const struct {
    size_t length;
    std::string expectedTail;
  } cases[] = {
      {40'000, "x"},
      {bound, "x"},
      {bound + 1, "x [... 1 more characters cut]"},
      {100'000, "x [... " + std::to_string(100'000 - bound) + " more characters cut]"},
  };
  for (const auto& c : cases) {
    CMemBufLogHandler ring(LOG_ALL, 4);
    CLogger logger(u"QAV");
    logger.AddHandler(&ring);
    logger.Log(LOG_INFO, u"Call.cpp", 7, u"before");
    logger.Log(LOG_INFO, u"Call.cpp", 7, std::u16string(c.length, u'x'));
    ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
    const std::string dump = ReadFileBytes(dir_.File("dump.txt"));
    const std::string kept = std::string(std::min(c.length, bound) - 1, 'x') + c.expectedTail;
    EXPECT_EQ(dump, Utf16LeWithBom(ExpectedRecord("INFO", 0, 7, "before") + ExpectedRecord("INFO", 1, 7, kept)))
        << c.length;
  }
}

TEST(MemBufLogHandler, RefusesRingsWithoutRoomForARecord) {
  for (int32_t slots : {1, 0, -1, INT32_MIN}) {
    EXPECT_THROW(CMemBufLogHandler(LOG_ALL, slots), std::invalid_argument) << slots;
  }
  EXPECT_NO_THROW(CMemBufLogHandler(LOG_ALL, 2));
}

TEST_F(PinnedLogTest, LongRecordIsCutAt2048BytesInTheFileButKeptWholeInTheRing) {
  const std::string header = ExpectedRecord("INFO", 0, 7, "");
  // Fill with two-byte characters so that byte 2048 falls inside one: the cut must not split it.
  std::string message(header.size() % 2 == 0 ? 1 : 0, 'x');
  for (int i = 0; i < 1500; ++i) message += "\xC3\xA9";  // é
  const std::string whole = ExpectedRecord("INFO", 0, 7, message);
  ASSERT_GT(whole.size(), CFileLogHandler::kMaxRecordBytes);
  ASSERT_EQ(static_cast<unsigned char>(whole[2048]) & 0xC0, 0x80);  // 2048 is inside a character

  CFileLogHandler file(LOG_ALL, Base(), 1 << 20, false);
  CMemBufLogHandler ring(LOG_ALL, 4);
  logger_.AddHandler(&file);
  logger_.AddHandler(&ring);
  logger_.Log(LOG_INFO, u"Call.cpp", 7, qav::U16(message));

  EXPECT_EQ(ReadFileBytes(FileOf(0)), whole.substr(0, 2047));
  ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
  EXPECT_EQ(ReadFileBytes(dir_.File("dump.txt")), Utf16LeWithBom(whole));
}

TEST_F(PinnedLogTest, SequenceNumbersIncreaseStrictlyInOutputOrderUnderManyThreads) {
  constexpr int kThreads = 4;
  constexpr int kRecordsEach = 200;
  qav::SetThreadIdSource(nullptr);  // real thread ids; the order is what matters here
  CFileLogHandler file(LOG_ALL, Base(), 1 << 30, false);
  CMemBufLogHandler ring(LOG_ALL, kThreads * kRecordsEach + 1);
  logger_.AddHandler(&file);
  logger_.AddHandler(&ring);

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < kRecordsEach; ++i) logger_.Log(LOG_INFO, u"Call.cpp", t, u"from a thread");
    });
  }
  for (auto& thread : threads) thread.join();

  std::vector<unsigned> all(kThreads * kRecordsEach);
  for (unsigned i = 0; i < all.size(); ++i) all[i] = i;
  EXPECT_EQ(Sequences(ReadFileBytes(FileOf(0))), all);
  ASSERT_EQ(ring.DumpToFile(qav::U16(dir_.File("dump.txt"))), 1);
  const std::string dump = ReadFileBytes(dir_.File("dump.txt"));
  EXPECT_EQ(Sequences(qav::U8(qav::Utf16LeBytesToText(dump.data() + 2, dump.size() - 2))), all);
}

TEST_F(PinnedLogTest, StandardErrorFlagWritesNoFile) {
  CFileLogHandler file(LOG_ALL, Base(), 100, true);
  logger_.AddHandler(&file);
  ::testing::internal::CaptureStderr();
  logger_.Log(LOG_INFO, u"Call.cpp", 3, u"to the console");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), ExpectedRecord("INFO", 0, 3, "to the console"));
  struct stat info {};
  EXPECT_NE(stat(FileOf(0).c_str(), &info), 0);
}

TEST_F(PinnedLogTest, UnwritableFolderFailsTheRecord) {
  CFileLogHandler file(LOG_ALL, qav::U16(dir_.File("missing/QAV Debug Log")), 100, false);
  CLogRecord record;
  record.level = LOG_INFO;
  EXPECT_EQ(file.Log(record), 0);
  record.level = LOG_FINE;
  CFileLogHandler picky(LOG_INFO, qav::U16(dir_.File("missing/x")), 100, false);
  EXPECT_EQ(picky.Log(record), 1);  // filtered out before the file is touched
}

}  // namespace
