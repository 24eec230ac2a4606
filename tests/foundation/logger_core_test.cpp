#include "foundation/logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

class CountingHandler : public CLogHandler {
 public:
  explicit CountingHandler(int32_t level) : CLogHandler(level) {}
  int Log(CLogRecord& record) override {
    if (Accepts(record)) ++written;
    return 1;
  }
  std::atomic<int> written{0};
};

}  // namespace

TEST(LoggerCore, SlotsAndMinimumLevel) {
  CLogger logger(u"T");
  EXPECT_EQ(logger.GetMinLevel(), LOG_OFF);
  CountingHandler a(LOG_INFO), b(LOG_FINE);
  EXPECT_EQ(logger.AddHandler(&a), 0);
  EXPECT_EQ(logger.AddHandler(&a), 0);  // the same handler keeps its slot
  EXPECT_EQ(logger.AddHandler(&b), 1);
  EXPECT_EQ(logger.GetMinLevel(), LOG_FINE);
  EXPECT_EQ(logger.RemoveHandler(&b), 1);
  EXPECT_EQ(logger.RemoveHandler(&b), 0);
  EXPECT_EQ(logger.GetMinLevel(), LOG_INFO);
  logger.Log(LOG_INFO, u"x.cpp", 1, u"m");
  logger.Log(LOG_FINE, u"x.cpp", 2, u"m");
  EXPECT_EQ(a.written, 1);
  EXPECT_EQ(logger.TakeHandler(0), &a);
  EXPECT_EQ(logger.TakeHandler(16), nullptr);
  EXPECT_EQ(logger.GetHandler(-1), nullptr);

  std::vector<std::unique_ptr<CountingHandler>> many;
  for (int i = 0; i < 17; ++i) many.push_back(std::make_unique<CountingHandler>(LOG_ALL));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(logger.AddHandler(many[i].get()), i);
  EXPECT_EQ(logger.AddHandler(many[16].get()), 16);  // full
}

TEST(LoggerCore, RemovingAHandlerWhileOthersLogIsSafe) {
  CLogger logger(u"T");
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      while (!stop) logger.Log(LOG_INFO, u"x.cpp", 1, u"message");
    });
  }
  for (int round = 0; round < 200; ++round) {
    auto handler = std::make_unique<CountingHandler>(LOG_ALL);
    logger.AddHandler(handler.get());
    std::this_thread::yield();
    logger.RemoveHandler(handler.get());
    // Deleted at once: a thread still inside it would be a use after free under ASan.
  }
  stop = true;
  for (auto& t : threads) t.join();
}
