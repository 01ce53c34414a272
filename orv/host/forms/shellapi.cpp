#include <orv/host/forms/shellapi.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace orv {

namespace {
std::string& Launcher() {
  static std::string launcher = "xdg-open";
  return launcher;
}
constexpr unsigned kLaunched = 42;  // any value above 32 means success
}  // namespace

const std::string& ShellLauncher() { return Launcher(); }
void SetShellLauncher(const std::string& program) {
  Launcher() = program.empty() ? "xdg-open" : program;
}

unsigned ShellExecute(HWND, const char*, const std::string& file, const std::string& params,
                      const std::string& directory, int) {
  if (file.empty()) return SE_ERR_FNF;
  std::vector<std::string> args = {Launcher(), file};
  if (!params.empty()) args.push_back(params);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  struct stat st {};
  if (!directory.empty() && ::stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return SE_ERR_FNF;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return SE_ERR_NOASSOC;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return kLaunched;
  // The shell's "command not found" from a missing launcher script.
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return SE_ERR_FNF;
  return SE_ERR_NOASSOC;
}

}  // namespace orv
