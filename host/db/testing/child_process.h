// ChildProcess: a program a test starts and talks to line by line through
// its standard input and output, to show what holds across real processes.
// The child is killed and reaped when the object goes, if still running.
#pragma once

#include <string>
#include <vector>

namespace orv::testing {

class ChildProcess {
 public:
  // Starts argv[0] with the arguments, adding env ("NAME=VALUE") to this
  // process's environment (an entry "NAME" alone removes NAME); with
  // withStderr the child's standard error joins its output. Raises
  // orv::Exception when it cannot start.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
               bool withStderr = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Writes text and a line break to the child's standard input.
  void WriteLine(const std::string& text);
  // The next line of the child's standard output, without the line break;
  // raises orv::Exception when the child ends its output first.
  std::string ReadLine();
  // All the rest of the child's output, up to its end.
  std::string ReadAll();
  // Closes the child's input and waits for it; its exit status (128+signal
  // when a signal ended it).
  int Wait();

 private:
  int pid_ = -1;
  int in_ = -1;   // the child's standard input
  int out_ = -1;  // the child's standard output
  std::string buffer_;
};

}  // namespace orv::testing
