// Running the real tegulo-cli and reading back what it writes, for the end-to-end tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "png_reader.h"
#include "temp_dir.h"

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

// PNG files decode with the tests' one reader (libpng).
using TPng = test::TPngImage;
using test::ReadPng;

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::string> Lines(const std::string& text);
// The arguments `a` followed by `b`.
std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b);
std::vector<std::string> Fields(const std::string& line, char sep);
// A w x h indexed PNG of the given indices, written by the core's export writer.
void WriteIndexedPng(const std::string& path, int w, int h,
                     const std::vector<std::uint8_t>& pixels);

// A folder of its own for the running test, removed again by the destructor.
class TScratch : public test::TTempDir {
public:
  TRun Run(const std::vector<std::string>& args, std::int64_t fileSizeLimit = -1) const {
    return RunCli(args, Dir(), fileSizeLimit);
  }
};

// The demo files that the build wrote.
std::string DemoRom();
std::string DemoDoc();

}  // namespace tegulo::clitest
