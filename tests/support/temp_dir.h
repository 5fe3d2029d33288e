// A temporary folder of its own for the running test, and the test fixture built on it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/uCommon.h"

namespace tegulo::test {

// Creates an empty folder under the system's temporary folder, named after the process and
// the running test; the destructor removes it with everything in it, read-only parts
// included. Throws std::filesystem::filesystem_error when it cannot be created.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

private:
  std::filesystem::path dir_;
};

// A test with a fresh temporary folder.
class TempDirTest : public ::testing::Test {
protected:
  std::string Path(const std::string& name) const { return temp_.Path(name); }
  const std::filesystem::path& Dir() const { return temp_.Dir(); }
  // The message of the TError that f() throws, or "(no error)".
  template <typename F>
  static std::string ErrorOf(F f) {
    try {
      f();
    } catch (const TError& e) {
      return e.what();
    }
    return "(no error)";
  }

private:
  TTempDir temp_;
};

}  // namespace tegulo::test
