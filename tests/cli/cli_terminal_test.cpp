// tegulo-cli export with standard error on a terminal: a running count of the entries,
// rewritten in place and cleared at the end. (Without a terminal nothing is shown: see
// CliExport.DemoEntriesDrawTheirArtworkWithTheirPalettes.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "cli_support.h"

using namespace tegulo::clitest;

namespace {

// Runs tegulo-cli with standard error on a new pseudo-terminal; returns what it showed there.
std::string RunOnTerminal(const std::vector<std::string>& args, int& status) {
  int master = -1;
  int slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return "no terminal";
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDOUT_FILENO);
    ::dup2(slave, STDERR_FILENO);
    ::close(master);
    std::vector<char*> argv;
    std::string path = TEGULO_CLI_PATH;
    argv.push_back(path.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(slave);
  std::string shown;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the child has closed its side
    shown.append(buf, static_cast<std::size_t>(n));
  }
  ::close(master);
  ::waitpid(pid, &status, 0);
  return shown;
}

}  // namespace

TEST(CliExport, CountsTheEntriesOnATerminal) {
  TScratch s;
  int status = -1;
  const std::string shown = RunOnTerminal({"export", DemoDoc(), DemoRom(), s.Path("out")}, status);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
  EXPECT_NE(shown.find("\rexporting entry 1 of 13"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\rexporting entry 13 of 13"), std::string::npos) << shown;
  // Cleared at the end: the terminal's line is empty again.
  EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << shown;
}
