// Spawning tegulo-cli, small file and text helpers.
#include "cli_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tegulo::clitest {

namespace fs = std::filesystem;

TRun RunCli(const std::vector<std::string>& args, const fs::path& scratch) {
  const std::string outPath = (scratch / ".stdout").string();
  const std::string errPath = (scratch / ".stderr").string();
  std::vector<std::string> argv = {TEGULO_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  TRun run;
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << cargv[0];
    return run;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  auto slurp = [](const std::string& p) {
    const auto b = ReadBytes(p);
    return std::string(b.begin(), b.end());
  };
  run.out = slurp(outPath);
  run.err = slurp(errPath);
  return run;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line, char sep) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(sep, start);
    fields.push_back(line.substr(start, at - start));
    if (at == std::string::npos) return fields;
    start = at + 1;
  }
}

std::string DemoRom() { return std::string(TEGULO_DEMO_DIR) + "/tegulo-demo.sfc"; }
std::string DemoDoc() { return std::string(TEGULO_DEMO_DIR) + "/tegulo-demo.tgl"; }

}  // namespace tegulo::clitest
