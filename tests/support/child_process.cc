// Jobs in processes of their own, started with posix_spawn from the test program itself.
#include "tests/support/child_process.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <stdexcept>

extern char** environ;

namespace glnamelist::spawned {
namespace {

std::map<std::string, ChildJob>& Jobs() {
  static std::map<std::string, ChildJob> jobs;
  return jobs;
}

// A pipe whose ends no other started program inherits.
struct Pipe {
  Pipe() {
    if (pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
  }
  ~Pipe() { Close(0), Close(1); }
  void Close(int end) {
    if (fd[end] >= 0) close(fd[end]);
    fd[end] = -1;
  }
  int fd[2];
};

// Runs job name with args: waits until its standard input ends (the start), then says what
// the job returns.
int RunJob(const std::string& name, const ChildArgs& args) {
  auto job = Jobs().find(name);
  if (job == Jobs().end()) return 3;
  char go;
  while (read(0, &go, 1) > 0) {
  }
  const std::string said = job->second(args);
  return write(1, said.data(), said.size()) == static_cast<ssize_t>(said.size()) ? 0 : 2;
}

}  // namespace

bool RegisterChildJob(const std::string& name, ChildJob job) {
  Jobs()[name] = std::move(job);
  return true;
}

int ChildRun::Clean() const {
  int clean = 0;
  for (int status : statuses) clean += WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return clean;
}

ChildRun RunChildren(int count, const std::string& name, const ChildArgs& args) {
  Pipe start, said;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, start.fd[0], 0);
  posix_spawn_file_actions_adddup2(&actions, said.fd[1], 1);
  std::vector<std::string> words = {"/proc/self/exe", "--child", name};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    pid_t child;
    if (posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv.data(), environ) == 0) {
      children.push_back(child);
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  start.Close(1);  // all begin at once
  said.Close(1);
  ChildRun run;
  char buffer[4096];
  for (ssize_t n; (n = read(said.fd[0], buffer, sizeof buffer)) > 0;) {
    run.output.append(buffer, static_cast<size_t>(n));
  }
  for (pid_t child : children) {
    int status = -1;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.statuses.push_back(status);
  }
  return run;
}

int ChildOrTestsMain(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
    return RunJob(argv[2], ChildArgs(argv + 3, argv + argc));
  }
  ::testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace glnamelist::spawned

int main(int argc, char** argv) { return glnamelist::spawned::ChildOrTestsMain(argc, argv); }
