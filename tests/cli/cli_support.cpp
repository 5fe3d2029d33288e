// Spawning tegulo-cli, small file and text helpers.
#include "cli_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/bitmap.h"
#include "image/png_writer.h"

extern char** environ;

namespace tegulo::clitest {

namespace fs = std::filesystem;

TRun RunCli(const std::vector<std::string>& args, const fs::path& scratch,
            std::int64_t fileSizeLimit) {
  const std::string outPath = (scratch / ".stdout").string();
  const std::string errPath = (scratch / ".stderr").string();
  std::vector<std::string> argv = {TEGULO_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  TRun run;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ADD_FAILURE() << "cannot start " << cargv[0];
    return run;
  }
  if (pid == 0) {
    // The child as a user starts it: SIGXFSZ at its default, the limit set by "ulimit -f".
    // The alarm outlives exec, so a program that blocks is killed instead of hanging.
    std::signal(SIGXFSZ, SIG_DFL);
    ::alarm(60);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
    if (fileSizeLimit >= 0) {
      struct rlimit limit;
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = static_cast<rlim_t>(fileSizeLimit);
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
    }
    ::execve(cargv[0], cargv.data(), environ);
    ::_exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  auto slurp = [](const std::string& p) {
    const auto b = ReadBytes(p);
    return std::string(b.begin(), b.end());
  };
  run.out = slurp(outPath);
  run.err = slurp(errPath);
  return run;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& f : fs::directory_iterator(dir)) {
    const std::string name = f.path().filename().string();
    if (name != ".stdout" && name != ".stderr") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
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

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void WriteIndexedPng(const std::string& path, int w, int h,
                     const std::vector<std::uint8_t>& pixels) {
  TIndexedBitmap bmp;
  bmp.SetSize(w, h);
  std::copy(pixels.begin(), pixels.end(), bmp.Pixels().begin());
  WritePng(path, bmp);
}

}  // namespace tegulo::clitest
