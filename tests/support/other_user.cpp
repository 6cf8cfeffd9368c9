#include "tests/support/other_user.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace test_support {

std::string SaidAsAnotherUser(const char* folder, const std::function<std::string()>& work, bool catch_output,
                              bool need_other_user) {
  int said_fd[2];
  if (::pipe(said_fd) != 0) return "no pipe";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (catch_output) {
      ::dup2(said_fd[1], STDOUT_FILENO);
      ::dup2(said_fd[1], STDERR_FILENO);
    }
    bool ok = ::chdir(folder) == 0;
    bool changed = false;
    if (ok && ::geteuid() == 0) {
      ok = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
      changed = ok;
    }
    if (need_other_user && !changed) ok = false;
    std::string said = ok ? work() : "skip";
    std::fflush(nullptr);
    ::_exit(::write(said_fd[1], said.data(), said.size()) == static_cast<ssize_t>(said.size()) ? 0 : 1);
  }
  ::close(said_fd[1]);
  std::string said;
  char buffer[512];
  for (ssize_t n; (n = ::read(said_fd[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
  ::close(said_fd[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return said;
}

}  // namespace test_support
