#include <orv/host/db/testing/spawned_child.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace orv::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      throw std::runtime_error("cannot write to the child: " + std::string(std::strerror(errno)));
    done += static_cast<std::size_t>(n);
  }
}

std::string NextName(const std::string& dir) {
  static std::atomic<int> serial{0};
  const std::string where = dir.empty() ? std::filesystem::temp_directory_path().string() : dir;
  return where + "/child" + std::to_string(::getpid()) + "_" + std::to_string(serial++);
}

// This process's environment with changes: "NAME=VALUE" sets, "NAME" removes.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
  auto named = [](const std::string& entry, const std::string& name) {
    return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
           entry[name.size()] == '=';
  };
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    bool changed = false;
    for (const auto& c : changes) changed = changed || named(*e, c.substr(0, c.find('=')));
    if (!changed) env.emplace_back(*e);
  }
  for (const auto& c : changes)
    if (c.find('=') != std::string::npos) env.push_back(c);
  return env;
}

std::chrono::milliseconds Left(Clock::time_point give_up) {
  return std::max(std::chrono::milliseconds(0),
                  std::chrono::duration_cast<std::chrono::milliseconds>(give_up - Clock::now()));
}

}  // namespace

SpawnedChild::SpawnedChild(const std::string& program, const std::vector<std::string>& args,
                           const std::string& dir, const std::string& input, bool interactive)
    : SpawnedChild(program, args, dir, SpawnOptions{input, interactive, {}, false}) {}

SpawnedChild::SpawnedChild(const std::string& program, const std::vector<std::string>& args,
                           const std::string& dir, const SpawnOptions& options) {
  // A child killed while we write to its stdin must not kill the test.
  ::signal(SIGPIPE, SIG_IGN);
  const std::string base = NextName(dir);
  out_path_ = base + ".out";
  err_path_ = base + ".err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int in_pipe[2] = {-1, -1}, out_pipe[2] = {-1, -1};
  if (options.interactive) {
    if (::pipe2(in_pipe, O_CLOEXEC) != 0) throw std::runtime_error("cannot make pipes");
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
      ::close(in_pipe[0]);
      ::close(in_pipe[1]);
      throw std::runtime_error("cannot make pipes");
    }
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  } else {
    in_path_ = base + ".in";
    std::ofstream(in_path_, std::ios::binary) << options.input;
    posix_spawn_file_actions_addopen(&actions, 0, in_path_.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  if (options.join_stderr)
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  else
    posix_spawn_file_actions_addopen(&actions, 2, err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env = Environment(options.env);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const int rc = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (options.interactive) {
    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    in_fd_ = in_pipe[1];
    out_fd_ = out_pipe[0];
  }
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
  }
}

SpawnedChild::~SpawnedChild() {
  if (in_fd_ >= 0) ::close(in_fd_);
  if (out_fd_ >= 0) ::close(out_fd_);
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
  std::error_code ignored;
  for (const auto* path : {&in_path_, &out_path_, &err_path_})
    if (!path->empty()) std::filesystem::remove(*path, ignored);
}

void SpawnedChild::Send(const std::string& line) { WriteAll(in_fd_, line + "\n"); }

bool SpawnedChild::ReadLine(std::string& line, std::chrono::milliseconds deadline) {
  const auto give_up = Clock::now() + deadline;
  for (;;) {
    const auto nl = pending_.find('\n');
    if (nl != std::string::npos) {
      line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return true;
    }
    pollfd p{out_fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(Left(give_up).count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return false;  // the deadline passed
    char buf[4096];
    const ssize_t n = ::read(out_fd_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (pending_.empty()) return false;
      line = pending_;
      pending_.clear();
      return true;
    }
    pending_.append(buf, static_cast<std::size_t>(n));
  }
}

void SpawnedChild::CloseInput() {
  if (in_fd_ >= 0) ::close(in_fd_);
  in_fd_ = -1;
}

void SpawnedChild::Kill(int sig) {
  if (pid_ > 0 && !reaped_) ::kill(pid_, sig);
}

void SpawnedChild::Reap(bool block) {
  if (reaped_ || pid_ <= 0) return;
  for (;;) {
    const pid_t r = ::waitpid(pid_, &status_, block ? 0 : WNOHANG);
    if (r < 0 && errno == EINTR) continue;
    if (r == pid_) reaped_ = true;
    return;
  }
}

bool SpawnedChild::Finished() {
  Reap(false);
  return reaped_;
}

ChildResult SpawnedChild::WaitFor(std::chrono::milliseconds deadline) {
  const auto give_up = Clock::now() + deadline;
  CloseInput();
  ChildResult result;
  // An interactive child's output is drained first: a full pipe would hold it.
  if (out_fd_ >= 0) {
    std::string line;
    while (ReadLine(line, Left(give_up))) result.out += line + "\n";
  }
  while (!Finished() && Clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  result.timed_out = !Finished();
  if (result.timed_out) {
    Kill(SIGKILL);
    Reap(true);
  }
  if (WIFEXITED(status_)) result.exit_code = WEXITSTATUS(status_);
  if (WIFSIGNALED(status_)) result.signal = WTERMSIG(status_);
  if (out_fd_ < 0) result.out = ReadFile(out_path_);
  result.err = ReadFile(err_path_);
  return result;
}

std::string SpawnedChild::OutputSoFar() const { return ReadFile(out_path_); }

std::string SpawnedChild::ErrorSoFar() const { return ReadFile(err_path_); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace orv::testing
