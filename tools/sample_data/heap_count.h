// A count of the heap an executable holds, through a replaced operator new: what a compressor
// takes beyond its input. Include it in one file of an executable only (it defines the global
// operators new and delete, the nothrow forms too); read `heap::now` before a call and
// `heap::peak` after it, with `heap::peak` set to `heap::now` first.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tegulo::heap {

inline std::size_t now = 0;
inline std::size_t peak = 0;

// Each block carries its size ahead of the caller's bytes.
inline constexpr std::size_t kHead = alignof(std::max_align_t);

inline void* Take(std::size_t n) {
  auto* p = static_cast<unsigned char*>(std::malloc(n + kHead));
  if (p == nullptr) throw std::bad_alloc();
  std::memcpy(p, &n, sizeof n);
  now += n;
  if (now > peak) peak = now;
  return p + kHead;
}

inline void Give(void* q) {
  if (q == nullptr) return;
  auto* p = static_cast<unsigned char*>(q) - kHead;
  std::size_t n = 0;
  std::memcpy(&n, p, sizeof n);
  now -= n;
  std::free(p);
}

}  // namespace tegulo::heap

void* operator new(std::size_t n) { return tegulo::heap::Take(n); }
void* operator new[](std::size_t n) { return tegulo::heap::Take(n); }
void* operator new(std::size_t n, const std::nothrow_t& /*tag*/) noexcept {
  try {
    return tegulo::heap::Take(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept {
  return operator new(n, tag);
}
void operator delete(void* p) noexcept { tegulo::heap::Give(p); }
void operator delete(void* p, const std::nothrow_t& /*tag*/) noexcept { tegulo::heap::Give(p); }
void operator delete[](void* p, const std::nothrow_t& /*tag*/) noexcept { tegulo::heap::Give(p); }
void operator delete[](void* p) noexcept { tegulo::heap::Give(p); }
void operator delete(void* p, std::size_t /*n*/) noexcept { tegulo::heap::Give(p); }
void operator delete[](void* p, std::size_t /*n*/) noexcept { tegulo::heap::Give(p); }
