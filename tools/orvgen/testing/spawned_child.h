// Real child processes for the tests that show what holds across programs:
// the orvgen binary started with posix_spawn, its stdout and stderr in files
// (so a chatty child never blocks on a full pipe), its stdin from a text or
// from a pipe that the test writes request by request.
//
// Threading: one test thread drives its children. Not for production code.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace orv::testing {

// The orvgen binary that this build made.
const std::string& OrvgenPath();

struct ChildResult {
  int exit_code = -1;  // the exit status, or -1 when a signal ended the child
  int signal = 0;      // the signal that ended it, or 0
  std::string out;     // everything it wrote to stdout
  std::string err;     // everything it wrote to stderr
  bool timed_out = false;  // WaitFor's deadline passed and the child was killed
};

class SpawnedChild {
 public:
  // Starts program with args (args[0] is not the program name). With
  // interactive, stdin and stdout are pipes for Send/ReadLine; otherwise stdin
  // holds input and stdout goes to a file. dir holds the output files.
  // Raises std::runtime_error when the program cannot be started.
  SpawnedChild(const std::string& program, const std::vector<std::string>& args,
               const std::string& dir, const std::string& input = "", bool interactive = false);
  ~SpawnedChild();  // kills a child still running and reaps it
  SpawnedChild(const SpawnedChild&) = delete;
  SpawnedChild& operator=(const SpawnedChild&) = delete;

  pid_t Pid() const { return pid_; }
  // Interactive only: writes line and a line break to the child's stdin.
  void Send(const std::string& line);
  // Interactive only: the next line of stdout without its line break, or
  // false at end of output.
  bool ReadLine(std::string& line);
  // Ends the input (the child sees end of file).
  void CloseInput();
  // Sends sig (SIGKILL by default) to a child still running.
  void Kill(int sig = 9);
  // True when the child has ended (reaps it without waiting).
  bool Finished();
  // Waits for the end and collects the outputs.
  ChildResult Wait();
  // The same, but kills the child (timed_out) once the deadline has passed.
  ChildResult WaitFor(std::chrono::milliseconds deadline);
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
  std::string out_path_, err_path_, pending_;
};

// Runs orvgen with args and input on stdin to its end.
ChildResult RunOrvgen(const std::vector<std::string>& args, const std::string& dir,
                      const std::string& input = "");

// The lines of text, without line breaks (a last line without one counts).
std::vector<std::string> Lines(const std::string& text);

}  // namespace orv::testing
