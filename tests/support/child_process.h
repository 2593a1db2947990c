// Jobs a test runs in processes of its own. A test process has threads (the library's
// background workers, the sanitizers' own), so it never forks: it starts its own program
// again with posix_spawn, which runs the named job in a fresh process and nothing else.
//
//   const bool kRegistered = RegisterChildJob("clerk", [](const ChildArgs& args) {...});
//   ChildRun run = RunChildren(20, "clerk", {location});
//
// A job's return value is what it says: written to its standard output in one write, so
// that the sayings of jobs running at once never interleave. Test programs that run jobs
// link glnamelist::child_main in place of GoogleTest's main.
#ifndef GLNAMELIST_TESTS_SUPPORT_CHILD_PROCESS_H_
#define GLNAMELIST_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <functional>
#include <string>
#include <vector>

namespace glnamelist::spawned {

using ChildArgs = std::vector<std::string>;
using ChildJob = std::function<std::string(const ChildArgs&)>;

// Registers job under name, for RunChildren; true, for a namespace-scope constant.
bool RegisterChildJob(const std::string& name, ChildJob job);

// What the jobs of one run said, all together, and how each process ended (wait statuses).
struct ChildRun {
  std::string output;
  std::vector<int> statuses;
  // How many ended by returning from their job.
  int Clean() const;
};

// Runs the job name with args in count processes that all begin at once (when every one has
// been started) and waits for them all.
ChildRun RunChildren(int count, const std::string& name, const ChildArgs& args = {});

// The test program's main: runs a job when started as "PROGRAM --child NAME ARG...", else
// the tests.
int ChildOrTestsMain(int argc, char** argv);

}  // namespace glnamelist::spawned

#endif  // GLNAMELIST_TESTS_SUPPORT_CHILD_PROCESS_H_
