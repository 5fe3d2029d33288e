// Taking fuzzer parameters from the front of the input; whatever is left is the data.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>

namespace tegulo::fuzz {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

class TFuzzInput {
public:
  TFuzzInput(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}

  // The next n bytes little-endian (missing bytes read as 0).
  std::uint32_t Take(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      if (!rest_.empty()) {
        v |= static_cast<std::uint32_t>(rest_[0]) << (8 * i);
        rest_ = rest_.subspan(1);
      }
    }
    return v;
  }
  std::int32_t TakeInt() { return static_cast<std::int32_t>(Take(4)); }
  std::span<const std::uint8_t> Rest() const { return rest_; }

private:
  std::span<const std::uint8_t> rest_;
};

}  // namespace tegulo::fuzz
