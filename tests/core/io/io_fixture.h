// A scratch folder per test and small file helpers for the file-layer tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/uCommon.h"
#include "temp_dir.h"

namespace tegulo::iotest {

class IoTest : public test::TempDirTest {
protected:
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Every name in the folder, to see that no temporary file was left behind.
  std::size_t Count() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Dir()), {}));
  }
};

}  // namespace tegulo::iotest
