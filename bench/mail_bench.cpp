// The voice message's mail, through the e-mail thread to a real SMTP server (aiosmtpd on
// 127.0.0.1). Targets (printed, not asserted):
//   - from the request at the end of a call to the mail accepted by the server, for a 1-minute
//     WAV message (16 kHz, 16-bit, mono, 1.9 MB): under 200 ms;
//   - the process's resident memory over 100 mails: no growth after the first;
//   - the largest attachment that goes through a line taking 1 MB/s steadily, with a 1 s time-out:
//     no limit but the rate (every size tried, up to 16 MB and some 22 s on the line, arrives).
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>

#include "app/send_smtp_thread.h"
#include "net/send_smtp.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "tests/support/slow_link.h"
#include "tests/support/smtp_server.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kOneMinuteWavBytes = 44 + 60 * 16000 * 2;

// Counts the mails the e-mail thread reports as accepted.
class SentCounter : public CLogHandler {
 public:
  SentCounter() : CLogHandler(LOG_ALL) { g_Logger.AddHandler(this); }
  ~SentCounter() override { g_Logger.RemoveHandler(this); }
  int Log(CLogRecord& record) override {
    const bool sent = record.message == u"CSendSMTPThread[ Voice Message Notification EMail Sent ]";
    const bool failed = record.message == u"CSendSMTPThread[ EMail Send Failed!! ]";
    if (sent || failed) {
      std::lock_guard lock(mutex_);
      ++(sent ? sent_ : failed_);
      changed_.notify_all();
    }
    return 1;
  }
  // True once `count` mails were accepted; false on a failure or after the bound.
  bool WaitForSent(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(30), [&] { return sent_ >= count || failed_ > 0; });
    return sent_ >= count && failed_ == 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int sent_ = 0;
  int failed_ = 0;
};

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 20, '\n');
  }
  return 0;
}

// The server, a 1-minute message on disk, and the options that mail it attached.
struct MailSetUp {
  MailSetUp() {
    LoadDefaultLangLib();
    std::string bytes(kOneMinuteWavBytes, '\0');
    bytes.replace(0, 4, "RIFF");
    uint32_t x = 1;
    for (size_t i = 44; i < bytes.size(); ++i) {
      x = x * 1103515245u + 12345u;
      bytes[i] = static_cast<char>(x >> 16);
    }
    qav::test::WriteFileBytes(dir.File("caller1.2026.01.01.10.00.00.60.n.wav"), bytes);
    job.folder = qav::U16(dir.path() + "/");
    job.fileName = u"caller1.2026.01.01.10.00.00.60.n.wav";
    job.durationSec = 60;
    job.timeOfCall = 1767261600;
    job.callerDisplayName = u"Test Caller";
    job.callerDisplayNameWithHandle = u"Test Caller (caller1)";
    job.callerIsContact = true;
    g_EMailNotificationAllowed = 1;
    g_EMailAttachmentAllowed = 1;
    g_AutoDelMsgAfterEMailAllowed = 0;
    g_YourEMailAddress = u"you@example.org";
    g_SMTPServerAddress = u"127.0.0.1";
    g_SMTPServerPort = server.port();
    g_SMTPSSLEnabled = 0;
  }
  // False, with the run skipped, when the server or the e-mail thread does not start.
  bool Start(benchmark::State& state) {
    if (!server.started()) {
      state.SkipWithError("aiosmtpd did not start");
      return false;
    }
    if (!thread.Start()) {
      state.SkipWithError("the e-mail thread did not start");
      return false;
    }
    return true;
  }

  qav::test::TempDir dir;
  qav::test::SmtpServer server;
  CVoiceMailJob job;
  qav::MessageLoop gui;
  CSendSMTPThread thread{gui, [](std::u16string) {}};
  SentCounter counter;
};

void BM_MailOneMinuteWavMessage(benchmark::State& state) {
  MailSetUp setUp;
  if (!setUp.Start(state)) return;
  CSendSMTPThread& thread = setUp.thread;
  SentCounter& counter = setUp.counter;
  int sent = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    thread.PostSendRequest(setUp.job);
    if (!counter.WaitForSent(++sent)) return state.SkipWithError("a mail was not accepted");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kOneMinuteWavBytes));
  state.SetLabel("target: under 200 ms a mail");
  thread.Stop(30000);
}
BENCHMARK(BM_MailOneMinuteWavMessage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_MailMemoryOver100Mails(benchmark::State& state) {
  MailSetUp setUp;
  if (!setUp.Start(state)) return;
  CSendSMTPThread& thread = setUp.thread;
  SentCounter& counter = setUp.counter;
  for (auto _ : state) {
    thread.PostSendRequest(setUp.job);
    if (!counter.WaitForSent(1)) return state.SkipWithError("the first mail was not accepted");
    const long afterFirst = ResidentKb();
    for (int i = 2; i <= 100; ++i) {
      thread.PostSendRequest(setUp.job);
      if (!counter.WaitForSent(i)) return state.SkipWithError("a mail was not accepted");
    }
    const long afterHundred = ResidentKb();
    state.counters["rss_after_1st_kB"] = static_cast<double>(afterFirst);
    state.counters["rss_after_100th_kB"] = static_cast<double>(afterHundred);
    state.counters["growth_kB"] = static_cast<double>(afterHundred - afterFirst);
  }
  state.SetLabel("target: growth_kB about 0 (no growth after the first mail)");
  thread.Stop(30000);
}
BENCHMARK(BM_MailMemoryOver100Mails)->Unit(benchmark::kMillisecond)->Iterations(1);

// Makes the attachment four times larger each round through a line that takes 1 MB/s, steadily,
// until one does not arrive or the largest size is reached; the time-out (1 s) bounds only a line
// that stops.
void BM_LargestAttachmentAtASteadyRate(benchmark::State& state) {
  constexpr int kBytesPerSecond = 1024 * 1024;
  constexpr size_t kLargest = 16 * 1024 * 1024;
  qav::test::SmtpServer server;
  qav::test::SlowLink link({.targetPort = server.port(), .bytesPerSecond = kBytesPerSecond});
  if (!server.started() || !link.started()) return state.SkipWithError("the server or the slow link did not start");
  qav::test::TempDir dir;
  for (auto _ : state) {
    size_t largest = 0;
    double seconds = 0;
    for (size_t size = 1024 * 1024; size <= kLargest; size *= 4) {
      qav::test::WriteFileBytes(dir.File("m.wav"), "RIFF" + std::string(size - 4, '\x5A'));
      CSendSMTP mail;
      const auto start = Clock::now();
      const bool sent = mail.SetServer(u"127.0.0.1", link.port(), false, 1) &&
                        mail.SetSender(u"qav@example.org", u"", u"", false) && mail.SetTo(u"you@example.org") &&
                        mail.SetSubject(u"QAV voice message") && mail.SetBody(u"b") &&
                        mail.AddAttachment(qav::U16(dir.File("m.wav"))) && mail.Send() == 1 &&
                        server.WaitForMail(30000).has_value();
      if (!sent) break;
      largest = size;
      seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["largest_MB"] = static_cast<double>(largest) / (1024 * 1024);
    state.counters["its_seconds"] = seconds;
    state.counters["rate_MB_s"] = static_cast<double>(kBytesPerSecond) / (1024 * 1024);
  }
  state.SetLabel("target: no limit but the rate (largest_MB = 16, the largest tried)");
}
BENCHMARK(BM_LargestAttachmentAtASteadyRate)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
