// Boxes asked for off the GUI thread are handed to it without a wait that could deadlock with a GUI
// thread that joins, or waits on, the asking thread.
#include "platform/gui_thread_message_box.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/text.h"
#include "platform/virtual_loop.h"

using namespace qav;

namespace {

constexpr int kWatchdogMs = 10000;

// Answers every box with `answer`, noting the box and whether it ran on the constructing thread.
class RecordingShower : public MessageBoxHandler {
 public:
  explicit RecordingShower(int answer) : answer_(answer) {}
  int Show(std::u16string_view text, std::u16string_view, uint32_t) override { return Note(text, ""); }
  int ShowTimed(std::u16string_view text, std::u16string_view, uint32_t, uint32_t seconds) override {
    return Note(text, " " + std::to_string(seconds) + "s");
  }
  std::vector<std::string> shown;

 private:
  int Note(std::u16string_view text, const std::string& suffix) {
    shown.push_back(Utf16ToUtf8(text) + suffix + (std::this_thread::get_id() == gui_ ? "" : " OFF THE GUI THREAD"));
    return answer_;
  }
  int answer_;
  std::thread::id gui_ = std::this_thread::get_id();
};

TEST(GuiThreadMessageBox, OnTheGuiThreadTheBoxIsShownAndItsAnswerReturned) {
  VirtualLoop v;
  RecordingShower shower(IDYES);
  GuiThreadMessageBox boxes(v.loop(), shower);
  EXPECT_EQ(boxes.Show(u"Delete?", u"QAV", MB_YESNO | MB_DEFBUTTON2), IDYES);
  EXPECT_EQ(boxes.ShowTimed(u"Sent", u"QAV", MB_OK, 10), IDYES);
  EXPECT_EQ(shower.shown, (std::vector<std::string>{"Delete?", "Sent 10s"}));
}

// The GUI thread waits for a worker (on an event the worker sets after its box, then in a join)
// while the worker asks for boxes. Neither wait may hang; the boxes appear on the GUI thread once
// its loop serves again.
TEST(GuiThreadMessageBox, AThreadTheGuiThreadWaitsForGetsTheDefaultAnswerAtOnce) {
  VirtualLoop v;
  RecordingShower shower(IDYES);
  GuiThreadMessageBox boxes(v.loop(), shower);
  Event boxAsked(true, false);
  std::atomic<bool> done{false};
  int questionAnswer = 0, timedAnswer = 0;
  std::thread asker([&] {
    questionAnswer = boxes.Show(u"Keep the file?", u"QAV", MB_YESNO | MB_DEFBUTTON2);
    boxAsked.Set();
    timedAnswer = boxes.ShowTimed(u"Mail failed", u"QAV", MB_OK, 15);
    done = true;
  });
  const bool waited = boxAsked.Wait(kWatchdogMs);
  EXPECT_TRUE(waited) << "the asker waited for a GUI thread that was waiting for it";
  if (!waited) {
    while (!done) v.WaitForWork(100);  // free the asker so the test ends
  }
  asker.join();
  if (waited) {
    EXPECT_TRUE(shower.shown.empty()) << "nothing is shown while the GUI thread does not serve";
  }
  EXPECT_EQ(questionAnswer, IDNO) << "the default button answers for a box shown later";
  EXPECT_EQ(timedAnswer, IDOK);
  v.RunUntilIdle();
  EXPECT_EQ(shower.shown, (std::vector<std::string>{"Keep the file?", "Mail failed 15s"}));
}

TEST(GuiThreadMessageBox, ABoxStillQueuedAtTheEndIsDroppedUnseen) {
  VirtualLoop v;
  RecordingShower shower(IDOK);
  auto boxes = std::make_unique<GuiThreadMessageBox>(v.loop(), shower);
  std::thread([&] { EXPECT_EQ(boxes->Show(u"queued", u"QAV", MB_OKCANCEL), IDOK); }).join();
  boxes.reset();  // frees the queued request
  v.RunUntilIdle();
  EXPECT_TRUE(shower.shown.empty());
}

}  // namespace
