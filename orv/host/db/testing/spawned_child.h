// SpawnedChild: a real child process for the tests that show what holds
// across programs, and the one way tests start programs. Started with
// posix_spawn (no shell, so no quoting); stdout and stderr go to files (so a
// chatty child never blocks on a full pipe) unless the test talks to it line
// by line through pipes (interactive). Every wait has a deadline.
//
// Threading: one test thread drives a child. Not for production code.
// Errors: std::runtime_error when the program cannot be started or its
// input cannot be written.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace orv::testing {

struct ChildResult {
  int exit_code = -1;      // the exit status, or -1 when a signal ended the child
  int signal = 0;          // the signal that ended it, or 0
  std::string out;         // everything it wrote to stdout (and stderr, when joined)
  std::string err;         // everything it wrote to stderr
  bool timed_out = false;  // WaitFor's deadline passed and the child was killed
};

struct SpawnOptions {
  std::string input;         // stdin's text (not interactive)
  bool interactive = false;  // stdin and stdout are pipes for Send/ReadLine
  // Changes to this process's environment: "NAME=VALUE" sets NAME, "NAME"
  // alone removes it.
  std::vector<std::string> env;
  bool join_stderr = false;  // stderr goes where stdout goes
};

// How long ReadLine and Wait wait unless told otherwise.
inline constexpr std::chrono::minutes kDefaultChildDeadline{5};

class SpawnedChild {
 public:
  // Starts program with args (args[0] is not the program name). dir holds the
  // output files (removed when the object goes); empty means the system's
  // temporary directory.
  SpawnedChild(const std::string& program, const std::vector<std::string>& args,
               const std::string& dir, const SpawnOptions& options);
  // The same with input on stdin, or interactive.
  SpawnedChild(const std::string& program, const std::vector<std::string>& args,
               const std::string& dir = "", const std::string& input = "",
               bool interactive = false);
  ~SpawnedChild();  // kills a child still running and reaps it
  SpawnedChild(const SpawnedChild&) = delete;
  SpawnedChild& operator=(const SpawnedChild&) = delete;

  pid_t Pid() const { return pid_; }
  // Interactive only: writes line and a line break to the child's stdin.
  void Send(const std::string& line);
  // Interactive only: the next line of stdout without its line break, or
  // false at end of output or once the deadline has passed.
  bool ReadLine(std::string& line, std::chrono::milliseconds deadline = kDefaultChildDeadline);
  // Ends the input (the child sees end of file).
  void CloseInput();
  // Sends sig (SIGKILL by default) to a child still running.
  void Kill(int sig = 9);
  // True when the child has ended (reaps it without waiting).
  bool Finished();
  // Ends the input, waits for the end (killing the child once the deadline
  // has passed: timed_out) and collects the outputs.
  ChildResult WaitFor(std::chrono::milliseconds deadline);
  ChildResult Wait() { return WaitFor(kDefaultChildDeadline); }
  // Not interactive: what the child has written to stdout so far.
  std::string OutputSoFar() const;
  // What the child has written to stderr so far (stderr is unbuffered).
  std::string ErrorSoFar() const;

 private:
  void Reap(bool block);

  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = 0;
  int in_fd_ = -1;   // our end of the child's stdin (interactive)
  int out_fd_ = -1;  // our end of the child's stdout (interactive)
  std::string in_path_, out_path_, err_path_, pending_;
};

// The lines of text, without line breaks (a last line without one counts).
std::vector<std::string> Lines(const std::string& text);

}  // namespace orv::testing
