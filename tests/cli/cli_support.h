// Running the real tegulo-cli and reading back what it writes, for the end-to-end tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tegulo::clitest {

struct TRun {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  int signal = 0;   // the signal that ended it, if one did
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs tegulo-cli with the arguments (no shell), output captured through files in `scratch`
// (".stdout", ".stderr"). SIGXFSZ is at its default in the child, as a user has it; a
// fileSizeLimit of 0 or more is the child's file-size limit in bytes ("ulimit -f").
// A child still running after 60 s is killed (signal SIGALRM).
TRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& scratch,
            std::int64_t fileSizeLimit = -1);

// The names in the folder, sorted, without the captured output files.
std::vector<std::string> Names(const std::filesystem::path& dir);

struct TPng {
  std::uint32_t width = 0, height = 0;
  int depth = 0, colourType = 0;
  std::vector<std::uint8_t> rgb;     // 3 bytes per PLTE entry
  std::vector<std::uint8_t> alpha;   // tRNS
  std::vector<std::uint8_t> pixels;  // one index per pixel, rows from the top
  bool ok = false;

  std::uint8_t At(std::uint32_t x, std::uint32_t y) const { return pixels[y * width + x]; }
  // PLTE entry i as 0x00BBGGRR, the entry colour order.
  std::uint32_t Colour(int i) const {
    return rgb[3 * i] | rgb[3 * i + 1] << 8 | static_cast<std::uint32_t>(rgb[3 * i + 2]) << 16;
  }
};

// Decodes an 8-bit indexed PNG with libpng; ok is false when it cannot.
TPng ReadPng(const std::string& path);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::string> Lines(const std::string& text);
std::vector<std::string> Fields(const std::string& line, char sep);

// A folder of its own for the running test, removed again by the destructor.
class TScratch {
public:
  TScratch();
  ~TScratch();
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
  const std::filesystem::path& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  TRun Run(const std::vector<std::string>& args, std::int64_t fileSizeLimit = -1) const {
    return RunCli(args, dir_, fileSizeLimit);
  }

private:
  std::filesystem::path dir_;
};

// The demo files that the build wrote.
std::string DemoRom();
std::string DemoDoc();

}  // namespace tegulo::clitest
