// Temporary folders for the tests.
#include "temp_dir.h"

#include <unistd.h>

#include <atomic>
#include <system_error>

namespace fs = std::filesystem;

namespace tegulo::test {

TTempDir::TTempDir() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = fs::temp_directory_path() /
         ("tegulo-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
          (info != nullptr ? info->name() : "none"));
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

TTempDir::~TTempDir() {
  // A test may have taken away the rights that removing needs.
  std::error_code ec;
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(dir_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  fs::remove_all(dir_, ec);
}

}  // namespace tegulo::test
