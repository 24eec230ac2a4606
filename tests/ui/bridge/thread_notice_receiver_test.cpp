// The receiver of other threads' notices for a widget: the audio thread's playback notices arrive
// decoded and in order, other messages get the default handling, and nothing reaches a widget that
// has gone or a receiver that is closed.
#include "ui/bridge/thread_notice_receiver.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <thread>
#include <vector>

#include "platform/message_loop.h"

namespace {

using namespace qav;

// Serves what is due on the thread's loop until nothing is left (posts from a joined thread are
// all queued by then).
void Serve(MessageLoop& loop) {
  while (loop.ProcessDue()) {
  }
}

TEST(ThreadNoticeReceiver, PlaybackNoticesFromTheAudioThreadArriveDecodedAndInOrder) {
  MessageLoop loop;
  QWidget player;
  CThreadNoticeReceiver receiver(&player);
  std::vector<PlaybackNotice> heard;
  ASSERT_TRUE(receiver.OpenForPlayback("QAVNoticeTest", [&](const PlaybackNotice& n) { heard.push_back(n); }));
  const Hwnd window = receiver.Window();
  ASSERT_NE(window, 0u);
  std::thread audio([window] {
    PostMessage(window, UM_AUDIONOTIFY, AUDIO_EVENT_BUFFER_PLAYED, 4096);
    PostMessage(window, UM_AUDIONOTIFY, AUDIO_EVENT_BUFFER_PLAYED, 8192);
    PostMessage(window, UM_AUDIONOTIFY, 0x4, 1);  // no event the receiver knows
    PostMessage(window, WM_USER + 1, AUDIO_EVENT_PLAY_DONE, 0);  // another message
    PostMessage(window, UM_AUDIONOTIFY, AUDIO_EVENT_PLAY_DONE, 0);
  });
  audio.join();
  Serve(loop);
  ASSERT_EQ(heard.size(), 3u);
  EXPECT_EQ(heard[0].kind, PlaybackNotice::Kind::kPosition);
  EXPECT_EQ(heard[0].position, 4096);
  EXPECT_EQ(heard[1].position, 8192);
  EXPECT_EQ(heard[2].kind, PlaybackNotice::Kind::kEnded);
}

TEST(ThreadNoticeReceiver, NothingReachesAWidgetThatHasGoneOrAClosedReceiver) {
  MessageLoop loop;
  auto widget = std::make_unique<QWidget>();
  CThreadNoticeReceiver receiver(widget.get());
  int handled = 0;
  ASSERT_TRUE(receiver.Open("QAVNoticeTest", [&](Msg&) { return ++handled > 0; }));
  ASSERT_TRUE(PostMessage(receiver.Window(), WM_USER + 2));
  Serve(loop);
  EXPECT_EQ(handled, 1);

  // A notice queued while the widget goes is dropped when it comes out.
  ASSERT_TRUE(PostMessage(receiver.Window(), WM_USER + 2));
  widget.reset();
  Serve(loop);
  EXPECT_EQ(handled, 1);

  const Hwnd window = receiver.Window();
  receiver.Close();
  EXPECT_EQ(receiver.Window(), 0u);
  EXPECT_FALSE(PostMessage(window, WM_USER + 2));
  EXPECT_FALSE(receiver.Open("", [&](Msg&) { return true; })) << "an empty class name opens nothing";
}

TEST(ThreadNoticeReceiver, OpensNothingOnAThreadWithoutALoop) {
  QWidget widget;
  CThreadNoticeReceiver receiver(&widget);
  bool opened = true;
  std::thread other([&] { opened = receiver.OpenForPlayback("QAVNoticeTest", [](const PlaybackNotice&) {}); });
  other.join();
  EXPECT_FALSE(opened);
  EXPECT_EQ(receiver.Window(), 0u);
}

}  // namespace
