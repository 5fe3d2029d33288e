// Bounded inflation with zlib: the output buffer grows in steps and stops at the limit.
#include "io/zlib_inflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <string>

#include "base/uCommon.h"

namespace tegulo {
namespace {

constexpr std::size_t kFirstStep = 64u << 10;

class TInflater {
public:
  explicit TInflater(int windowBits) {
    if (inflateInit2(&z_, windowBits) != Z_OK) throw TError("Out of memory");
  }
  ~TInflater() { inflateEnd(&z_); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;
  z_stream& z() { return z_; }

private:
  z_stream z_{};
};

// With the output full, one more byte would pass the limit: true when the stream ends right
// here, false when it needs more input; throws otherwise. `allGiven`: no input is left to give.
bool EndsAtLimit(z_stream& z, std::size_t limit, bool allGiven) {
  std::uint8_t probe = 0;
  z.next_out = &probe;
  z.avail_out = 1;
  const int rc = inflate(&z, Z_NO_FLUSH);
  if (rc == Z_STREAM_END && z.avail_out == 1) return true;
  if (z.avail_out == 0)
    throw TError("it inflates to more than " + std::to_string(limit) + " bytes");
  if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT) throw TError("the compressed data is damaged");
  if (rc == Z_BUF_ERROR || (rc == Z_OK && z.avail_in == 0 && allGiven)) {
    throw TError("the compressed data is cut short");
  }
  return false;
}

// Inflates from `in` into `out` (appending) until the stream ends; returns the input bytes
// the stream used.
std::size_t InflateOne(TInflater& inflater, std::span<const std::uint8_t> in,
                       std::vector<std::uint8_t>& out, std::size_t limit) {
  z_stream& z = inflater.z();
  std::size_t used = 0;
  for (;;) {
    if (z.avail_in == 0 && used < in.size()) {
      const std::size_t chunk = std::min<std::size_t>(in.size() - used, UINT_MAX);
      z.next_in = const_cast<Bytef*>(in.data() + used);
      z.avail_in = static_cast<uInt>(chunk);
      used += chunk;
    }
    if (out.size() == limit) {
      if (EndsAtLimit(z, limit, used == in.size())) return used - z.avail_in;
      continue;
    }
    const std::size_t old = out.size();
    const std::size_t grow =
        std::min({limit - old, std::max(kFirstStep, old), std::size_t{UINT_MAX}});
    out.resize(old + grow);
    z.next_out = out.data() + old;
    z.avail_out = static_cast<uInt>(grow);
    const int rc = inflate(&z, Z_NO_FLUSH);
    out.resize(old + grow - z.avail_out);
    if (rc == Z_STREAM_END) return used - z.avail_in;
    if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT) throw TError("the compressed data is damaged");
    if (rc == Z_MEM_ERROR) throw TError("Out of memory");
    // No progress with all input given: the stream stops before its end.
    if ((rc == Z_BUF_ERROR || z.avail_out != 0) && z.avail_in == 0 && used == in.size()) {
      throw TError("the compressed data is cut short");
    }
  }
}

}  // namespace

std::vector<std::uint8_t> InflateZlib(std::span<const std::uint8_t> in, std::size_t limit) {
  std::vector<std::uint8_t> out;
  TInflater inflater(15);
  InflateOne(inflater, in, out, limit);
  return out;
}

std::vector<std::uint8_t> InflateRaw(std::span<const std::uint8_t> in, std::size_t limit) {
  std::vector<std::uint8_t> out;
  TInflater inflater(-15);
  InflateOne(inflater, in, out, limit);
  return out;
}

std::vector<std::uint8_t> InflateGzip(std::span<const std::uint8_t> in, std::size_t limit) {
  std::vector<std::uint8_t> out;
  std::size_t at = 0;
  do {
    TInflater inflater(16 + 15);
    at += InflateOne(inflater, in.subspan(at), out, limit);
  } while (at + 1 < in.size() && in[at] == 0x1F && in[at + 1] == 0x8B);
  return out;
}

}  // namespace tegulo
