// Spawning tegulo-cli, decoding PNG files with libpng, small file and text helpers.
#include "cli_support.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
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

namespace {

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The frame with setjmp holds only plain locals.
bool DecodeInto(png_structp png, png_infop info, FILE* f, TPng& d) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  png_get_IHDR(png, info, &w, &h, &d.depth, &d.colourType, nullptr, nullptr, nullptr);
  d.width = w;
  d.height = h;
  if (d.depth != 8 || d.colourType != PNG_COLOR_TYPE_PALETTE) return false;
  png_colorp plte = nullptr;
  int n = 0;
  if (png_get_PLTE(png, info, &plte, &n) == PNG_INFO_PLTE) {
    for (int i = 0; i < n; ++i)
      d.rgb.insert(d.rgb.end(), {plte[i].red, plte[i].green, plte[i].blue});
  }
  png_bytep trans = nullptr;
  int nt = 0;
  if (png_get_tRNS(png, info, &trans, &nt, nullptr) == PNG_INFO_tRNS)
    d.alpha.assign(trans, trans + nt);
  d.pixels.resize(static_cast<std::size_t>(w) * h);
  for (png_uint_32 y = 0; y < h; ++y)
    png_read_row(png, d.pixels.data() + static_cast<std::size_t>(y) * w, nullptr);
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

TPng ReadPng(const std::string& path) {
  TPng d;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return d;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  d.ok = DecodeInto(png, info, f, d);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return d;
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

TScratch::TScratch() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ =
      fs::temp_directory_path() / ("tegulo-cli-" + std::to_string(::getpid()) + "-" +
                                   std::to_string(counter++) + "-" + (info ? info->name() : "x"));
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

TScratch::~TScratch() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::string DemoRom() { return std::string(TEGULO_DEMO_DIR) + "/tegulo-demo.sfc"; }
std::string DemoDoc() { return std::string(TEGULO_DEMO_DIR) + "/tegulo-demo.tgl"; }

}  // namespace tegulo::clitest
