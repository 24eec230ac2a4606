// The qav program as real processes on a private desktop: a running copy, the second copies that
// ask it things, and what a killed copy leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"
#include "platform/registry_store/registry_store.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/app/installed_app_test.h"
#include "tests/support/scoped_env.h"
#include "tests/support/command_output.h"
#include "tests/support/smtp_server.h"
#include "tests/support/stalling_smtp_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/web_stand_in.h"
#include "tests/support/x_desktop.h"

extern char** environ;

using namespace qav;

namespace {

constexpr int kBoundMs = 20000;

// Polls until the condition holds or the bound passes: the other process runs on its own time.
bool WaitFor(const std::function<bool()>& condition, int boundMs = kBoundMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// True when the process is gone, or has ended and waits to be reaped by whoever adopted it.
bool Ended(pid_t pid) {
  const std::string stat = test::ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  return stat.empty() || (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

// One qav process with its standard error collected.
class Qav {
 public:
  explicit Qav(std::vector<std::string> arguments, const char* program = QAV_PROGRAM) {
    int err[2];
    EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Standard output and error both go to the pipe (the simulated client's transcript is on its
    // standard output).
    posix_spawn_file_actions_adddup2(&actions, err[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    stderr_ = err[0];
  }
  ~Qav() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(stderr_);
  }

  pid_t pid() const { return pid_; }
  // The exit status once it has ended within the bound; -1 when it still runs.
  int Wait(int boundMs = kBoundMs) {
    int status = 0;
    if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, boundMs)) return -1;
    exited_ = true;
    ReadError();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  void Kill9() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    exited_ = true;
  }
  const std::string& Error() {
    ReadError();
    return error_;
  }

 private:
  void ReadError() {
    char buffer[4096];
    pollfd p{stderr_, POLLIN, 0};
    while (poll(&p, 1, 0) > 0) {
      const ssize_t n = read(stderr_, buffer, sizeof buffer);
      if (n <= 0) break;
      error_.append(buffer, static_cast<size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int stderr_ = -1;
  bool exited_ = false;
  std::string error_;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The installed call client, and the debug log on so the running copy can be watched.
    ASSERT_TRUE(test::RegisterInstalledCallClient(dir_.path() + "/registry"));
    RegistryStore store(dir_.path() + "/registry");
    ASSERT_EQ(store.CreateKey(RegistryRoot::kCurrentUser, u"Software\\Zarvelin\\QAV\\Settings"), kRegOk);
    ASSERT_EQ(store.SetValue(RegistryRoot::kCurrentUser, u"Software\\Zarvelin\\QAV\\Settings", u"LoggingEnabled",
                             MakeRegistryDword(4)),
              kRegOk);
  }

  Hwnd RunningWindow() { return FindWindow("ZarvelinMainWnd", std::u16string_view(u"QAV")); }
  std::string Log() { return test::ReadFileBytes(dir_.path() + "/state/QAV/QAV Debug Log_0.log"); }
  bool Logged(const std::string& text) { return Log().find(text) != std::string::npos; }
  // Starts a copy and waits until its main window is on the desktop.
  std::unique_ptr<Qav> StartRunningCopy() {
    auto qav = std::make_unique<Qav>(std::vector<std::string>{});
    EXPECT_TRUE(WaitFor([&] { return WindowProcessId(RunningWindow()) == static_cast<uint32_t>(qav->pid()); }))
        << qav->Error();
    return qav;
  }

  // Settings that answer at once, record 2 s and mail the message with the recording to the
  // server on `smtpPort`, with the lines of `extra` after them; a short greeting and a caller's
  // 5 s of tone beside them.
  bool WriteMailingAnswerSettings(int smtpPort, const std::string& extra = "") {
    const std::string data = dir_.path() + "/data/QAV";
    std::filesystem::create_directories(data);
    return std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/greeting.wav' synth 0.1 sine 440").c_str()) == 0 &&
           std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/caller.wav' synth 5 sine 300").c_str()) == 0 &&
           test::WriteFileBytes(data + "/QAV.ini",
                                "[Settings]\nAnswerAllowed=1\nAnswerAllowedOnline=1\nSecB4AnsweringOnline=1\n"
                                "MaxRecordingDurationSec=2\nAudioFileRecordingFormat=0\nGreetingSoundMsgPath=" +
                                    dir_.path() + "/greeting.wav\n"
                                    "EMailNotificationAllowed=1\nEMailAttachmentAllowed=1\n"
                                    "YourEMailAddress=owner@example.org\nSMTPServerAddress=127.0.0.1\nSMTPServerPort=" +
                                    std::to_string(smtpPort) + "\nSMTPSSLEnabled=0\n" + extra);
  }
  // The simulated call client, which rings once qav has attached: a contact whose caller speaks
  // the tone until qav hangs up.
  Qav RingingClient() {
    return Qav({"--step", "wait-attach", "--step", "contact caller1 BUDDYSTATUS 3", "--step", "wait 500", "--step",
                "ring 1234 caller1 audio=" + dir_.path() + "/caller.wav", "--step", "wait-command ALTER CALL 1234 ANSWER",
                "--step", "wait-command ALTER CALL 1234 HANGUP"},
               QAV_SIM_CALLCLIENT);
  }

  test::TempDir dir_;
  test::ScopedProgramFolders folders_{dir_.path()};
  // The program runs headless unless a test gives it a display of its own.
  test::ScopedEnv display_{"DISPLAY", std::nullopt};
  test::ScopedEnv wayland_{"WAYLAND_DISPLAY", std::nullopt};
  test::ScopedEnv platform_{"QT_QPA_PLATFORM", std::nullopt};
};

TEST_F(ProgramTest, ASecondCopyWarnsOrForwardsAndShutdownClosesTheFirst) {
  auto first = StartRunningCopy();
  const Hwnd window = RunningWindow();

  Qav second({});
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_NE(second.Error().find("You already have a running instance of QAV"), std::string::npos);
  EXPECT_EQ(RunningWindow(), window);  // the first is untouched

  Qav forwarded({"/WinStartup"});
  EXPECT_EQ(forwarded.Wait(), 0);
  EXPECT_EQ(forwarded.Error(), "");  // no warning
  EXPECT_TRUE(WaitFor([&] { return Logged("CNullPropertySheet::ShowPage( 0 )"); })) << Log();

  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(first->Wait(), 0) << first->Error();  // an orderly exit (and, under ASan, nothing leaked)
  EXPECT_TRUE(Logged("Exit Application Done"));
  EXPECT_EQ(RunningWindow(), 0u);
  EXPECT_FALSE(IsNamedMutexHeld("QAV"));
  // The exit path saved the registry profile.
  EXPECT_NE(test::ReadFileBytes(dir_.path() + "/registry/HKEY_CURRENT_USER.reg").find("\"cnfgstr1\""),
            std::string::npos);
}

// The running program crashes: before it ends with its signal, its crash helper uploads the
// report to the web server, with the crash record, the system information and the settings.
TEST_F(ProgramTest, ACrashOfTheProgramReachesTheWebServer) {
  test::WebStandIn server;
  ASSERT_TRUE(server.started());
  test::ScopedEnv web("QAV_WEB_BASE", server.BaseUrl());
  std::filesystem::create_directories(dir_.path() + "/data/QAV");
  ASSERT_TRUE(test::WriteFileBytes(dir_.path() + "/data/QAV/QAV.ini", "[Settings]\nEMailLoginPass=0A1B2C3D4E5F\n"));

  auto qav = StartRunningCopy();
  ASSERT_TRUE(WaitFor([&] { return Logged("the crash reporter knows what a report carries"); })) << Log();
  ASSERT_EQ(kill(qav->pid(), SIGSEGV), 0);
  EXPECT_EQ(qav->Wait(), 128 + SIGSEGV) << qav->Error();
  EXPECT_NE(qav->Error().find("Zarvelin QAV has encountered a problem and needs to close."), std::string::npos)
      << qav->Error();

  // The crashed process waits for its helper only a few seconds, so on a busy machine the upload
  // may still be on its way.
  ASSERT_TRUE(WaitFor([&] { return !server.Read("upload-1/parts.tsv").empty(); }));
  EXPECT_EQ(server.Read("upload-1/field-Subject"), "Crash Report for Zarvelin QAV [" QAV_VERSION_STRING "]");
  EXPECT_NE(server.Read("upload-1/field-Body").find("\r\nApp Version: " QAV_VERSION_STRING), std::string::npos);
  const std::string zipName = test::CommandOutput("ls '" + server.File("upload-1") + "' | grep '^QAV.*\\.tmp$'");
  ASSERT_FALSE(zipName.empty()) << server.Read("upload-1/parts.tsv");
  const std::string zip = server.File("upload-1/" + zipName.substr(0, zipName.size() - 1));
  const std::string record = test::CommandOutput("unzip -p '" + zip + "' 'Zarvelin QAV.dmp'");
  EXPECT_NE(record.find("\nprocess " + std::to_string(qav->pid()) + "\n"), std::string::npos) << record;
  EXPECT_NE(record.find("\nsignal 11 SIGSEGV\n"), std::string::npos);
  EXPECT_NE(record.find("\nexception 0xc0000005 EXCEPTION_ACCESS_VIOLATION\n"), std::string::npos);
  EXPECT_EQ(test::CommandOutput("unzip -p '" + zip + "' 'Global QAV.ini'").find("0A1B2C3D4E5F"), std::string::npos);
  const std::string entries = test::CommandOutput("zipinfo -1 '" + zip + "'");
  EXPECT_NE(entries.find("Zarvelin QAV.xml"), std::string::npos) << entries;
  // The debug log, written up to the crash, stands in for the memory log.
  EXPECT_NE(test::CommandOutput("unzip -p '" + zip + "' 'QAV Debug Log_0.log'").find("Starting main hidden window"),
            std::string::npos)
      << entries;
  // The report made for itself is gone; the program's lock does not outlive it.
  EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(dir_.path() + "/temp/Zarvelin QAV.dmp"); }));
  EXPECT_FALSE(IsNamedMutexHeld("QAV"));
}

// The crash report's upload hangs (the server takes it and never answers): the crashed process
// still ends within a few seconds instead of holding the program's place while the upload waits,
// so /isrunning, a new start and /shutdown all work at once. The helper sends on by itself.
TEST_F(ProgramTest, ACrashWhoseReportUploadHangsEndsAtOnceAndANewCopyTakesOver) {
  test::WebStandIn server({"--misbehave", "stall"});
  ASSERT_TRUE(server.started());
  test::ScopedEnv web("QAV_WEB_BASE", server.BaseUrl());

  auto crashed = StartRunningCopy();
  ASSERT_TRUE(WaitFor([&] { return Logged("the crash reporter knows what a report carries"); })) << Log();
  ASSERT_EQ(kill(crashed->pid(), SIGSEGV), 0);
  // Well within the upload's own stall bound (30 s), and far from the minute it once took.
  EXPECT_EQ(crashed->Wait(15000), 128 + SIGSEGV) << crashed->Error();
  EXPECT_FALSE(IsNamedMutexHeld("QAV"));
  EXPECT_TRUE(WaitFor([&] { return !server.Read("stalled-1.head").empty(); })) << "the helper did not upload";

  Qav noneRuns({"/isrunning"});
  EXPECT_EQ(noneRuns.Wait(), 1);
  auto next = StartRunningCopy();
  EXPECT_EQ(next->Error().find("You already have a running instance"), std::string::npos) << next->Error();
  Qav runs({"/isrunning"});
  EXPECT_EQ(runs.Wait(), 0);
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(next->Wait(), 0) << next->Error();
}

TEST_F(ProgramTest, IsRunningAnswersAndCreatesNothing) {
  const std::string registry = test::ReadFileBytes(dir_.path() + "/registry/HKEY_CURRENT_USER.reg");
  Qav none({"/isrunning"});
  EXPECT_EQ(none.Wait(), 1);
  for (const char* folder : {"desktop", "data", "config", "state", "temp", "runtime"}) {
    EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/" + folder)) << folder;
  }
  EXPECT_EQ(test::ReadFileBytes(dir_.path() + "/registry/HKEY_CURRENT_USER.reg"), registry);

  auto first = StartRunningCopy();
  Qav running({"/ISRUNNING"});
  EXPECT_EQ(running.Wait(), 0);
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(first->Wait(), 0);
  EXPECT_NE(test::ReadFileBytes(dir_.path() + "/registry/HKEY_CURRENT_USER.reg"), registry);
}

TEST_F(ProgramTest, AKilledCopyLeavesNothingThatPassesForARunningOne) {
  auto killed = StartRunningCopy();
  const Hwnd stale = RunningWindow();
  killed->Kill9();
  // Its socket and lock file are still there...
  size_t sockets = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path() + "/desktop")) {
    sockets += entry.path().filename().string().find(".ZarvelinMainWnd") != std::string::npos;
  }
  EXPECT_EQ(sockets, 1u);
  EXPECT_TRUE(std::filesystem::exists(NamedMutexPath("QAV")));
  // ...but neither is taken for a running copy.
  Qav isRunning({"/isrunning"});
  EXPECT_EQ(isRunning.Wait(), 1);
  EXPECT_FALSE(IsNamedMutexHeld("QAV"));

  auto next = StartRunningCopy();
  EXPECT_NE(RunningWindow(), stale);
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(next->Wait(), 0);
}

// A folder or registry file the program cannot use stops the start with what is wrong and where,
// and an exit status that says it did not start; it is never taken for a running copy.
TEST_F(ProgramTest, AnUnusableFolderOrRegistryFileStopsTheStartAndSaysWhatAndWhere) {
  const std::string desktop = dir_.path() + "/desktop";
  const std::string temp = dir_.path() + "/temp";
  const std::string elsewhere = dir_.path() + "/elsewhere";
  const std::string userRoot = dir_.path() + "/registry/HKEY_CURRENT_USER.reg";
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  const std::string userRootText = test::ReadFileBytes(userRoot);
  struct Case {
    const char* name;
    std::function<bool()> make;
    std::function<void()> undo;
    std::string expected;
  } cases[] = {
      {"desktop folder is a link", [&] { return symlink(elsewhere.c_str(), desktop.c_str()) == 0; },
       [&] { unlink(desktop.c_str()); }, "the desktop folder \"" + desktop + "\" is a symbolic link"},
      {"desktop folder is a file", [&] { return test::WriteFileBytes(desktop, ""); }, [&] { unlink(desktop.c_str()); },
       "the desktop folder \"" + desktop + "\" is not a folder"},
      {"desktop folder of another user",
       [&] { return mkdir(desktop.c_str(), 0700) == 0 && chown(desktop.c_str(), 65534, 65534) == 0; },
       [&] { rmdir(desktop.c_str()); }, "the desktop folder \"" + desktop + "\" belongs to another user (uid 65534)"},
      {"temporary folder is a link", [&] { return symlink(elsewhere.c_str(), temp.c_str()) == 0; },
       [&] { unlink(temp.c_str()); }, "the private temporary folder \"" + temp + "\" is a symbolic link"},
      {"registry file cannot be read",
       [&] { return unlink(userRoot.c_str()) == 0 && mkdir(userRoot.c_str(), 0700) == 0; },
       [&] {
         rmdir(userRoot.c_str());
         test::WriteFileBytes(userRoot, userRootText);
       },
       "the registry file \"" + userRoot + "\" cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(desktop);
    if (!c.make()) {
      std::printf("skipped here: %s\n", c.name);
      continue;
    }
    Qav qav({});
    EXPECT_EQ(qav.Wait(), 1);
    EXPECT_NE(qav.Error().find("QAV cannot start: " + c.expected), std::string::npos) << qav.Error();
    EXPECT_EQ(qav.Error().find("already have a running instance"), std::string::npos);
    c.undo();
  }
  // Set right again, the program starts.
  std::filesystem::remove_all(desktop);
  auto running = StartRunningCopy();
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(running->Wait(), 0);
}

TEST_F(ProgramTest, InstallWaitsForTheOldCopyAndTakesOver) {
  auto old = StartRunningCopy();
  Qav installed({"/install"});
  EXPECT_EQ(old->Wait(), 0);
  EXPECT_TRUE(WaitFor([&] { return WindowProcessId(RunningWindow()) == static_cast<uint32_t>(installed.pid()); }))
      << installed.Error();
  Qav uninstall({"/uninstall"});  // closes it and starts nothing
  EXPECT_EQ(uninstall.Wait(), 0);
  EXPECT_EQ(installed.Wait(), 0);
  EXPECT_EQ(RunningWindow(), 0u);
}

TEST_F(ProgramTest, AttachesToTheRunningCallClientWithoutStartingAnother) {
  Qav client({"--step", "wait-attach"}, QAV_SIM_CALLCLIENT);  // writes the installed client's keys
  ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
  auto qav = StartRunningCopy();
  EXPECT_TRUE(WaitFor([&] { return client.Error().find("attached ") != std::string::npos; })) << client.Error();
  EXPECT_FALSE(Logged("Skype Command Line"));  // the client's main window was found
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(qav->Wait(), 0);
  kill(client.pid(), SIGTERM);
  EXPECT_EQ(client.Wait(), 0);
}

TEST_F(ProgramTest, StartsTheRegisteredCallClientWhenItDoesNotRun) {
  RegistryStore store(dir_.path() + "/registry");
  ASSERT_EQ(store.CreateKey(RegistryRoot::kLocalMachine, u"Software\\Skype\\Phone"), kRegOk);
  ASSERT_EQ(store.SetValue(RegistryRoot::kLocalMachine, u"Software\\Skype\\Phone", u"SkypePath",
                           MakeRegistryString(U16(QAV_SIM_CALLCLIENT))),
            kRegOk);
  auto qav = StartRunningCopy();
  // The client started with "/nosplash /minimized" opens its windows and the program attaches.
  Hwnd client = 0;
  EXPECT_TRUE(WaitFor([&] { return (client = FindWindow("QavSimCallClientApi")) != 0; }));
  EXPECT_TRUE(WaitFor([&] { return Logged("!!! Connected"); })) << Log();
  EXPECT_TRUE(Logged("Skype Command Line [path=" QAV_SIM_CALLCLIENT ", param=/nosplash /minimized]"));
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(qav->Wait(), 0);
  kill(static_cast<pid_t>(WindowProcessId(client)), SIGTERM);
  EXPECT_TRUE(WaitFor([&] { return FindWindow("QavSimCallClientApi") == 0; }));
}

TEST_F(ProgramTest, AnswersARungCallAfterTheConfiguredDelay) {
  std::filesystem::create_directories(dir_.path() + "/data/QAV");
  ASSERT_TRUE(test::WriteFileBytes(dir_.path() + "/data/QAV/QAV.ini",
                                   "[Settings]\nAnswerAllowed=1\nAnswerAllowedOnline=1\nSecB4AnsweringOnline=1\n"));
  Qav client({"--step", "wait-attach", "--step", "contact caller1 BUDDYSTATUS 3", "--step", "wait 500", "--step",
              "ring 1234 caller1", "--step", "wait-command ALTER CALL 1234 ANSWER", "--step", "hangup 1234"},
             QAV_SIM_CALLCLIENT);
  ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
  auto qav = StartRunningCopy();
  EXPECT_TRUE(WaitFor([&] { return client.Error().find("ALTER CALL 1234 ANSWER") != std::string::npos; }))
      << client.Error();
  EXPECT_TRUE(WaitFor([&] { return client.Error().find("CALL 1234 STATUS FINISHED") != std::string::npos; }));
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(qav->Wait(), 0) << qav->Error();  // the link, the dispatcher and the audio thread ended
  EXPECT_TRUE(Logged("Exit Application Done"));
  kill(client.pid(), SIGTERM);
  EXPECT_EQ(client.Wait(), 0);
}

// A greeting path left empty in a settings file is a greeting that failed to load: at sign-in the
// program says so in its log and tells the user in a box, for each kind of caller, whichever file
// held the empty key (the user's own file or the global one it falls back to).
TEST_F(ProgramTest, AnEmptyGreetingPathInTheSettingsFilesIsReportedAtSignIn) {
  const std::string data = dir_.path() + "/data/QAV";
  std::filesystem::create_directories(data + "/owner.one");
  ASSERT_EQ(std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/greeting.wav' synth 0.1 sine 440").c_str()), 0);
  ASSERT_TRUE(test::WriteFileBytes(data + "/QAV.ini", "[Settings]\nGreetingSoundMsgPath=" + dir_.path() +
                                                          "/greeting.wav\nGreetingSoundMsgPathForNonAuth=\n"));
  ASSERT_TRUE(test::WriteFileBytes(data + "/owner.one/QAV.ini", "[Settings]\nGreetingSoundMsgPath=\n"));
  Qav client({"--step", "wait-attach"}, QAV_SIM_CALLCLIENT);
  ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
  auto qav = StartRunningCopy();
  const struct {
    const char* warning;
    const char* box;
  } expected[] = {
      {"CZVApp::LoadGreetingMemFileBuddy[ Fail to load file (an empty greeting path)",
       "Message box [Zarvelin QAV]: QAV failed to load greeting message audio files into memory for your default caller."},
      {"CZVApp::LoadGreetingMemFileNonBuddy[ Fail to load file (an empty greeting path)",
       "Message box [Zarvelin QAV]: QAV failed to load greeting message audio files into memory for your unknown caller."},
  };
  for (const auto& e : expected) {
    EXPECT_TRUE(WaitFor([&] { return Logged(e.box); })) << e.box << "\n" << Log();
    EXPECT_TRUE(Logged(e.warning)) << e.warning;
  }
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(qav->Wait(), 0) << qav->Error();
  kill(client.pid(), SIGTERM);
  EXPECT_EQ(client.Wait(), 0);
}

TEST_F(ProgramTest, AnAnsweredCallLeavesAVoiceMessageThatARestartListsAgain) {
  test::ScopedEnv zone{"TZ", "UTC"};
  const std::string data = dir_.path() + "/data/QAV";
  std::filesystem::create_directories(data);
  // A short greeting and a caller who speaks longer than the longest message, so the message
  // ends at its limit and the program hangs up: nothing here waits on a guessed duration.
  ASSERT_EQ(std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/greeting.wav' synth 0.1 sine 440").c_str()), 0);
  ASSERT_EQ(std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/caller.wav' synth 5 sine 300").c_str()), 0);
  ASSERT_TRUE(test::WriteFileBytes(data + "/QAV.ini", "[Settings]\nAnswerAllowed=1\nAnswerAllowedOnline=1\n"
                                                      "SecB4AnsweringOnline=1\nMaxRecordingDurationSec=2\n"
                                                      "AudioFileRecordingFormat=0\nGreetingSoundMsgPath=" +
                                                          dir_.path() + "/greeting.wav\n"));
  const time_t before = time(nullptr);
  {
    Qav client({"--step", "wait-attach", "--step", "contact caller1 BUDDYSTATUS 3", "--step", "wait 500", "--step",
                "ring 1234 caller1 audio=" + dir_.path() + "/caller.wav", "--step",
                "wait-command ALTER CALL 1234 ANSWER", "--step", "wait-command ALTER CALL 1234 HANGUP"},
               QAV_SIM_CALLCLIENT);
    ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
    auto qav = StartRunningCopy();
    EXPECT_TRUE(WaitFor([&] { return client.Error().find("CALL 1234 STATUS FINISHED") != std::string::npos; }))
        << client.Error();
    Qav shutdown({"/shutdown"});
    EXPECT_EQ(shutdown.Wait(), 0);
    EXPECT_EQ(qav->Wait(), 0) << qav->Error();  // the message's file is finished by then
    kill(client.pid(), SIGTERM);
    EXPECT_EQ(client.Wait(), 0);
  }
  const time_t after = time(nullptr);

  // One finished file: caller, the call's start in local time, the whole seconds, new, WAV.
  const std::string folder = data + "/My Received Voice Messages/owner.one";
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  ASSERT_EQ(names.size(), 1u) << (names.empty() ? "" : names.front());
  const std::regex pattern(R"(caller1\.(\d{4})\.(\d\d)\.(\d\d)\.(\d\d)\.(\d\d)\.(\d\d)\.(\d+)\.n\.wav)");
  std::smatch fields;
  ASSERT_TRUE(std::regex_match(names.front(), fields, pattern)) << names.front();
  tm start{};
  start.tm_year = std::stoi(fields[1]) - 1900;
  start.tm_mon = std::stoi(fields[2]) - 1;
  start.tm_mday = std::stoi(fields[3]);
  start.tm_hour = std::stoi(fields[4]);
  start.tm_min = std::stoi(fields[5]);
  start.tm_sec = std::stoi(fields[6]);
  const time_t started = timegm(&start);
  EXPECT_GE(started, before);
  EXPECT_LE(started, after);
  EXPECT_LE(std::stoi(fields[7]), 2);
  // The caller's voice is in it: what came after the greeting and its beeps (about 1.2 s).
  const std::string message = folder + "/" + names.front();
  const std::string header = test::ReadFileBytes(message).substr(0, 44);
  ASSERT_EQ(header.substr(0, 4), "RIFF");
  EXPECT_GT(std::filesystem::file_size(message), 44u + 16000u);  // more than half a second

  // The same folders again: the new copy lists the message for the user.
  Qav client({"--step", "wait-attach"}, QAV_SIM_CALLCLIENT);
  ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
  auto restarted = StartRunningCopy();
  EXPECT_TRUE(WaitFor([&] { return Logged("CMessageCollection: loaded saved message " + names.front()); })) << Log();
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(restarted->Wait(), 0);
  kill(client.pid(), SIGTERM);
  EXPECT_EQ(client.Wait(), 0);
  EXPECT_TRUE(std::filesystem::exists(message));  // listing it changed nothing
}

// The call client dies while the program records a voice message: the message is finished and
// kept within seconds, not when its two minutes run out, and the restarted client's next call,
// under the same id, is answered.
TEST_F(ProgramTest, AClientThatDiesDuringAMessageLeavesItSavedAndTheNextCallIsAnswered) {
  const std::string data = dir_.path() + "/data/QAV";
  std::filesystem::create_directories(data);
  ASSERT_EQ(std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/greeting.wav' synth 0.1 sine 440").c_str()), 0);
  ASSERT_EQ(std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/caller.wav' synth 30 sine 300").c_str()), 0);
  ASSERT_TRUE(test::WriteFileBytes(data + "/QAV.ini", "[Settings]\nAnswerAllowed=1\nAnswerAllowedOnline=1\n"
                                                      "SecB4AnsweringOnline=1\nAudioFileRecordingFormat=0\n"
                                                      "GreetingSoundMsgPath=" + dir_.path() + "/greeting.wav\n"));
  const std::string folder = data + "/My Received Voice Messages/owner.one";
  auto savedMessages = [&] {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (entry.path().filename().string().starts_with("caller1.")) names.push_back(entry.path().filename());
    }
    return names;
  };

  Qav first({"--step", "wait-attach", "--step", "contact caller1 BUDDYSTATUS 3", "--step", "wait 500", "--step",
             "ring 1234 caller1 audio=" + dir_.path() + "/caller.wav", "--step",
             "wait-command ALTER CALL 1234 SET_INPUT", "--step", "wait 1500", "--step", "die"},
            QAV_SIM_CALLCLIENT);
  ASSERT_TRUE(WaitFor([&] { return first.Error().find("ready ") != std::string::npos; })) << first.Error();
  auto qav = StartRunningCopy();
  ASSERT_NE(first.Wait(), -1) << first.Error();
  const auto died = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitFor([&] { return savedMessages().size() == 1; })) << Log();
  EXPECT_LT(std::chrono::steady_clock::now() - died, std::chrono::seconds(20));
  EXPECT_GT(std::filesystem::file_size(folder + "/" + savedMessages().front()), 44u + 16000u);
  EXPECT_TRUE(Logged("The call client has gone: the call ends"));

  Qav second({"--step", "wait-attach", "--step", "contact caller1 BUDDYSTATUS 3", "--step", "wait 500", "--step",
              "ring 1234 caller1", "--step", "wait-command ALTER CALL 1234 ANSWER", "--step", "hangup 1234"},
             QAV_SIM_CALLCLIENT);
  EXPECT_TRUE(WaitFor([&] { return second.Error().find("CALL 1234 STATUS FINISHED") != std::string::npos; }))
      << second.Error() << Log();
  EXPECT_NE(second.Error().find("ALTER CALL 1234 ANSWER"), std::string::npos);
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(qav->Wait(), 0) << qav->Error();
  kill(second.pid(), SIGTERM);
  EXPECT_EQ(second.Wait(), 0);
}

// The program is killed while it records a conversation: the file is there under the
// conversation's own name, but its side file (written when a conversation ends) is not, and its
// header may lag behind. The next start repairs the header and writes the side file with the
// audio's length before the conversations are listed.
TEST_F(ProgramTest, AConversationRecordingWhenTheProgramIsKilledIsRepairedAndKeptAtTheNextStart) {
  const std::string data = dir_.path() + "/data/QAV";
  std::filesystem::create_directories(data);
  ASSERT_EQ(std::system(("sox -n -r 16000 -c 1 -b 16 '" + dir_.path() + "/caller.wav' synth 30 sine 300").c_str()), 0);
  // The user answers in the call client; the program records every conversation by itself.
  ASSERT_TRUE(test::WriteFileBytes(data + "/QAV.ini", "[Settings]\nAnswerAllowed=0\nConversationAutoRecordMode=1\n"
                                                      "AudioFileRecordingFormat=0\n"));
  const std::string folder = data + "/My Recorded Conversations/owner.one/";
  const auto recordings = [&](const char* extension) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (entry.path().extension() == extension) names.push_back(entry.path().filename());
    }
    return names;
  };
  std::string name;
  {
    Qav client({"--step", "wait-attach", "--step", "contact caller1 BUDDYSTATUS 3", "--step", "wait 500", "--step",
                "ring 1234 caller1 audio=" + dir_.path() + "/caller.wav", "--step", "wait 300", "--step",
                "status 1234 INPROGRESS"},
               QAV_SIM_CALLCLIENT);
    ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
    auto qav = StartRunningCopy();
    // Killed once the conversation holds more than two seconds of the caller.
    ASSERT_TRUE(WaitFor([&] {
      const auto names = recordings(".wav");
      return names.size() == 1 && std::filesystem::file_size(folder + names.front()) > 46u + 2 * 32000u;
    }, 60000)) << client.Error() << Log();
    qav->Kill9();
    kill(client.pid(), SIGTERM);
    EXPECT_EQ(client.Wait(), 0);
    name = recordings(".wav").front();
    ASSERT_TRUE(recordings(".dat").empty()) << "the conversation never ended";
  }
  const std::string audio = folder + name;
  const std::string base = name.substr(0, name.size() - 4);

  Qav client({"--step", "wait-attach"}, QAV_SIM_CALLCLIENT);
  ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
  auto restarted = StartRunningCopy();
  EXPECT_TRUE(WaitFor([&] { return Logged("an unfinished conversation of"); })) << Log();
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(restarted->Wait(), 0) << restarted->Error();
  kill(client.pid(), SIGTERM);
  EXPECT_EQ(client.Wait(), 0);

  // The header says what the file holds, as sox reads it, and the side file gives its length.
  EXPECT_EQ(recordings(".wav"), std::vector<std::string>{name}) << "kept under its own name";
  const std::string bytes = test::ReadFileBytes(audio);
  ASSERT_GT(bytes.size(), 46u + 2 * 32000u);
  const auto le32 = [&](size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 | uint32_t(uint8_t(bytes[at + 2])) << 16 |
           uint32_t(uint8_t(bytes[at + 3])) << 24;
  };
  const uint32_t dataBytes = le32(42);
  EXPECT_EQ(dataBytes, bytes.size() - 46);
  EXPECT_EQ(le32(4), bytes.size() - 8);
  const uint32_t bytesPerSecond = le32(28);
  const uint16_t blockAlign = uint16_t(uint8_t(bytes[32]) | uint8_t(bytes[33]) << 8);
  ASSERT_GT(bytesPerSecond, 0u);
  ASSERT_GT(blockAlign, 0u);
  EXPECT_EQ(test::CommandOutput("soxi -s '" + audio + "'"), std::to_string(dataBytes / blockAlign) + "\n");
  const int seconds = int((dataBytes + bytesPerSecond - 1) / bytesPerSecond);
  EXPECT_GE(seconds, 1);
  const std::string side = test::ReadFileBytes(folder + base + ".dat");
  const std::u16string expected = u"Duration:" + qav::U16(std::to_string(seconds)) + u";";
  std::string expectedBytes = "\xFF\xFE";
  for (char16_t c : expected) expectedBytes += {char(c & 0xFF), char(c >> 8)};
  EXPECT_EQ(side, expectedBytes);
}

TEST_F(ProgramTest, AnAnsweredCallsVoiceMessageArrivesByMailAsTheFileOnDiskAndTheSiblingIsTold) {
  test::SmtpServer server;
  ASSERT_TRUE(server.started());
  // The sibling audio application runs on the same desktop and keeps the notices it gets.
  std::filesystem::create_directories(dir_.path() + "/notices");
  test::ChildProcess sibling(QAV_SIM_VOXPOST, {"--record=" + dir_.path() + "/notices"});
  ASSERT_TRUE(sibling.WaitForLine("ready").has_value());
  const std::string data = dir_.path() + "/data/QAV";
  ASSERT_TRUE(WriteMailingAnswerSettings(server.port()));
  Qav client = RingingClient();
  ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
  auto qav = StartRunningCopy();
  const auto mail = server.WaitForMail(kBoundMs);
  ASSERT_TRUE(mail.has_value()) << Log();
  EXPECT_EQ(mail->envelopeTo, std::vector<std::string>{"owner@example.org"});
  EXPECT_EQ(mail->subject.rfind("QAV voice message from ", 0), 0u) << mail->subject;
  ASSERT_EQ(mail->attachments.size(), 1u);
  EXPECT_EQ(mail->attachments[0].contentType, "audio/wav");
  const std::string message = data + "/My Received Voice Messages/owner.one/" + mail->attachments[0].fileName;
  ASSERT_TRUE(std::filesystem::exists(message)) << message;
  EXPECT_TRUE(mail->attachments[0].bytes == test::ReadFileBytes(message)) << "the attachment differs from the file";
  EXPECT_GT(mail->attachments[0].bytes.size(), 44u + 16000u);

  // The notice of the finished call, and everything again when the sibling asks for it.
  const std::u16string fileElement = u"<FileName>" + U16(mail->attachments[0].fileName) + u"</FileName>";
  for (const bool asked : {false, true}) {
    SCOPED_TRACE(asked ? "asked for everything" : "end of the call");
    if (asked) sibling.WriteLine("dump");
    const auto line = sibling.WaitForLine("notice ", {}, -1, kBoundMs);
    ASSERT_TRUE(line.has_value()) << Log();
    const std::string bytes = test::ReadFileBytes(line->substr(7));
    const std::u16string notice = Utf16LeBytesToText(bytes.data(), bytes.size());
    EXPECT_NE(notice.find(u"<Type>VoiceMessage</Type>"), std::u16string::npos) << U8(notice);
    EXPECT_NE(notice.find(fileElement), std::u16string::npos) << U8(notice);
    EXPECT_NE(notice.find(u"<SkypeName>owner.one</SkypeName>"), std::u16string::npos) << U8(notice);
  }
  EXPECT_TRUE(sibling.WaitForLine("dump 1", {}, -1, kBoundMs).has_value());

  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(qav->Wait(), 0) << qav->Error();
  kill(client.pid(), SIGTERM);
  EXPECT_EQ(client.Wait(), 0);
  EXPECT_TRUE(std::filesystem::exists(message));  // not deleted: that option is off
}

TEST_F(ProgramTest, ShutdownWhileAVoiceMessageIsMailedToAHangingServerEndsWithinSecondsAndKeepsTheMessage) {
  struct Case {
    const char* name;
    test::SmtpMisbehaviour mode;
    const char* hangsAt;
  };
  const Case cases[] = {
      {"the server never answers", test::SmtpMisbehaviour::kSilent, "connected"},
      {"the server stalls after the message", test::SmtpMisbehaviour::kStallAfterData, "data-end"},
  };
  const std::string messages = dir_.path() + "/data/QAV/My Received Voice Messages/owner.one";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::StallingSmtpServer server(c.mode);
    ASSERT_TRUE(server.started());
    std::filesystem::remove_all(messages);
    ASSERT_TRUE(WriteMailingAnswerSettings(server.port(), "AutoDelMsgAfterEMailAllowed=1\n"));
    Qav client = RingingClient();
    ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
    auto qav = StartRunningCopy();
    ASSERT_TRUE(server.WaitFor(c.hangsAt, kBoundMs)) << Log();

    // The mail hangs: the program still ends within a few seconds of being told to.
    const auto toldAt = std::chrono::steady_clock::now();
    Qav shutdown({"/shutdown"});
    EXPECT_EQ(shutdown.Wait(), 0);
    EXPECT_EQ(qav->Wait(8000), 0) << "still running 8 s after /shutdown\n" << Log();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - toldAt).count();
    EXPECT_LT(seconds, 8.0);
    EXPECT_TRUE(server.WaitFor("closed", 5000)) << "the connection was left open";
    // A stopped mail is a failed one: the message stays, though the options delete mailed ones.
    int wavs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(messages)) wavs += entry.path().extension() == ".wav";
    EXPECT_EQ(wavs, 1) << Log();
    kill(client.pid(), SIGTERM);
    EXPECT_EQ(client.Wait(), 0);
  }
}

TEST_F(ProgramTest, UpdatePathCopiesTheProgramAndStartsTheUpdatedCopy) {
  const std::string target = dir_.path() + "/USB Stick/QAV";
  std::filesystem::create_directories(target);
  // A folder without the program is no copy to update: start-up goes on as usual.
  Qav ignored({"/updatepath", target});
  EXPECT_TRUE(WaitFor([&] { return WindowProcessId(RunningWindow()) == static_cast<uint32_t>(ignored.pid()); }));
  Qav({"/shutdown"}).Wait();
  EXPECT_EQ(ignored.Wait(), 0);

  ASSERT_TRUE(test::WriteFileBytes(target + "/qav", "an older copy"));
  Qav updater({"/UpdatePath:", target, "/winstartup"});
  EXPECT_EQ(updater.Wait(), 1);  // this copy does not start
  EXPECT_NE(updater.Error().find("QAV update finished successfully"), std::string::npos) << updater.Error();
  for (const char* file : {"qav", "beep1.wav", "beep2.wav", "Language/ZV_EN.lang"}) {
    EXPECT_EQ(test::ReadFileBytes(target + "/" + file), test::ReadFileBytes(std::string(QAV_PROGRAM_FOLDER) + "/" + file))
        << file;
  }
  // The updated copy runs with the rest of the command line.
  EXPECT_TRUE(WaitFor([&] { return RunningWindow() != 0; }));
  const pid_t restarted = static_cast<pid_t>(WindowProcessId(RunningWindow()));
  EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(restarted) + "/exe"),
            std::filesystem::path(target + "/qav"));
  Qav({"/shutdown"}).Wait();
  EXPECT_TRUE(WaitFor([&] { return Ended(restarted); }));
}

}  // namespace

// The program as a person meets it: a virtual X display with a tray, the simulated call client,
// and qav showing its icon there; a click on the icon opens the menu, and the screen is saved.
TEST_F(ProgramTest, WithADisplayTheTrayIconAppearsAndItsMenuOpens) {
  if (const std::string missing = test::MissingDesktopTool(); !missing.empty()) {
    GTEST_SKIP() << "missing: " << missing << " (scripts/setup.sh installs it)";
  }
  test::XDesktop desktop;
  desktop.SetScreenSize("640x480");
  const std::string failed = desktop.Start(kBoundMs);
  ASSERT_EQ(failed, "");

  Qav client({"--step", "wait-attach"}, QAV_SIM_CALLCLIENT);
  ASSERT_TRUE(WaitFor([&] { return client.Error().find("ready ") != std::string::npos; })) << client.Error();
  auto qav = StartRunningCopy();
  EXPECT_TRUE(WaitFor([&] { return client.Error().find("attached ") != std::string::npos; })) << client.Error();

  // The icon sits in the tray: a small window of the program's, at the top right of the screen.
  std::vector<test::Box> windows;
  ASSERT_TRUE(WaitFor([&] {
    windows = test::QavWindows();
    return windows.size() == 1 && windows[0].width <= 64;
  })) << qav->Error() << Log();
  const test::Box icon = windows[0];
  EXPECT_GT(icon.x, 320);
  EXPECT_LT(icon.y, 24);
  EXPECT_TRUE(Logged("CTrayIcon::Add [the tray icon is shown]")) << Log();
  std::filesystem::create_directories(QAV_SHOTS_FOLDER);
  Qav iconShot({std::string(QAV_SHOTS_FOLDER) + "/tray_icon_xvfb.png"}, QAV_X_SCREENSHOT);
  EXPECT_EQ(iconShot.Wait(), 0) << iconShot.Error();

  // One click opens the menu once the double-click time has passed.
  test::Click(icon.CenterX(), icon.CenterY());
  ASSERT_TRUE(WaitFor([&] {
    windows = test::QavWindows();
    return windows.size() == 2;
  })) << Log();
  EXPECT_TRUE(Logged("WM_APP_SYS_TRAY_LBUTTONUP_TIMER"));
  const std::string shot = std::string(QAV_SHOTS_FOLDER) + "/tray_menu_xvfb.png";
  Qav screenshot({shot}, QAV_X_SCREENSHOT);
  EXPECT_EQ(screenshot.Wait(), 0) << screenshot.Error();
  EXPECT_TRUE(std::filesystem::exists(shot));

  // The menu goes with Escape; the program ends in order with the display still there.
  test::CommandOutput("xdotool key Escape");
  EXPECT_TRUE(WaitFor([&] { return test::QavWindows().size() == 1; }));
  Qav shutdown({"/shutdown"});
  EXPECT_EQ(shutdown.Wait(), 0);
  EXPECT_EQ(qav->Wait(), 0) << qav->Error();
  kill(client.pid(), SIGTERM);
  EXPECT_EQ(client.Wait(), 0);
}
