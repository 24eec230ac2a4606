// A second process for tests that cross a process boundary: started with its standard input and
// output on pipes (standard error is shared with the test), it takes lines on its input and the
// test waits for the lines it prints, with a bound, never a sleep.
#pragma once

#include <sys/types.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qav::test {

class ChildProcess {
 public:
  // Runs `program` with `arguments` in this process's environment. started() tells whether it ran.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
  // Ends the process (SIGKILL when it has not ended) and reaps it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  void WriteLine(const std::string& line);
  void CloseInput();

  // The first printed line that starts with `prefix`; lines before it that do not match are kept
  // for later calls. While it waits it calls `serve` whenever `serveFd` is readable (a message
  // loop's descriptor, so the test's own windows answer the child meanwhile). nullopt when no such
  // line comes within `timeoutMs` or the process ends first.
  std::optional<std::string> WaitForLine(const std::string& prefix, const std::function<void()>& serve = {},
                                         int serveFd = -1, int timeoutMs = 10000);
  // Every line printed so far, matched or not.
  const std::vector<std::string>& AllLines() const { return all_; }

  // Waits up to `timeoutMs` for the process to end; its wait status, or nullopt while it runs.
  std::optional<int> WaitForExit(int timeoutMs = 10000);
  void Kill();

 private:
  bool ReadSome(int timeoutMs, const std::function<void()>& serve, int serveFd);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::optional<int> status_;
  std::string partial_;
  std::deque<std::string> unmatched_;
  std::vector<std::string> all_;
};

}  // namespace qav::test
