#include "host/db/testing/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/rtl/exception.h"

extern char** environ;

namespace orv::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                           bool withStderr) {
  int in[2], out[2];
  if (::pipe(in) != 0) throw Exception("pipe failed");
  if (::pipe(out) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    throw Exception("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  if (withStderr) posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> envStore;
  auto named = [](const std::string& entry, const std::string& name) {
    return entry.compare(0, name.size(), name) == 0 && entry.size() > name.size() && entry[name.size()] == '=';
  };
  for (char** e = environ; *e; ++e) {
    bool replaced = false;
    for (const auto& x : env) replaced = replaced || named(*e, x.substr(0, x.find('=')));
    if (!replaced) envStore.emplace_back(*e);
  }
  for (const auto& x : env)
    if (x.find('=') != std::string::npos) envStore.push_back(x);
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  in_ = in[1];
  out_ = out[0];
  if (rc != 0) {
    ::close(in_);
    ::close(out_);
    pid_ = -1;
    throw Exception("Cannot start " + argv.at(0) + ": " + std::strerror(rc));
  }
  ::signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
  if (in_ >= 0) ::close(in_);
  if (out_ >= 0) ::close(out_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

void ChildProcess::WriteLine(const std::string& text) {
  const std::string line = text + "\n";
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(in_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Exception("The child process no longer reads its input");
    done += static_cast<std::size_t>(n);
  }
}

std::string ChildProcess::ReadLine() {
  for (;;) {
    const auto nl = buffer_.find('\n');
    if (nl != std::string::npos) {
      std::string line = buffer_.substr(0, nl);
      buffer_.erase(0, nl + 1);
      return line;
    }
    char chunk[512];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Exception("The child process ended its output");
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

std::string ChildProcess::ReadAll() {
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
  std::string all;
  all.swap(buffer_);
  return all;
}

int ChildProcess::Wait() {
  if (in_ >= 0) ::close(in_);
  in_ = -1;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace orv::testing
