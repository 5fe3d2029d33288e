// libFuzzer target: the schemes numbered 5 and up, a row each. The first byte picks the row
// (low four bits, modulo 9), whether the rest is a stream to decode and check or data to
// compress (bit 4), and distance 1 for LZ77-11 (bit 5). Decoded streams stay in bounds and a
// scan hit agrees with the decoder; compressed data comes back exactly from every byte of
// its stream.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "base/uCommon.h"
#include "compress/bios/bios_schemes.h"
#include "compress/commands/command_formats.h"
#include "compress/scan/stream_scan.h"
#include "fuzz_input.h"

namespace {

using tegulo::fuzz::Check;
using Bytes = std::vector<std::uint8_t>;
using Span = std::span<const std::uint8_t>;

struct TRow {
  std::uint32_t (*decode)(Span, tegulo::TDecodeBuffer&);  // consumed bytes
  Bytes (*compress)(Span, bool distance1);
  std::optional<tegulo::TScanHit> (*check)(Span, std::size_t, std::uint32_t, tegulo::TStreamStats*);
};

template <tegulo::TCommandFormat kFormat>
std::uint32_t DecodeCommands(Span s, tegulo::TDecodeBuffer& out) {
  out.resize(tegulo::kCommandOutputLimit);
  const auto r = tegulo::DecodeCommands(kFormat, s, out);
  Check(r.consumed <= s.size() && r.written <= tegulo::kCommandOutputLimit);
  return r.consumed;
}

const TRow kRows[] = {
    {[](Span s, auto& o) { return tegulo::DecompressLZ11(s, o); },
     [](Span d, bool d1) { return tegulo::CompressLZ11(d, d1); }, tegulo::CheckLZ11Hit},
    {[](Span s, auto& o) { return tegulo::DecompressHuffman(s, o, 4); },
     [](Span d, bool) { return tegulo::CompressHuffman(d, 4); }, tegulo::CheckHuffman4Hit},
    {[](Span s, auto& o) { return tegulo::DecompressHuffman(s, o, 8); },
     [](Span d, bool) { return tegulo::CompressHuffman(d, 8); }, tegulo::CheckHuffman8Hit},
    {[](Span s, auto& o) { return tegulo::DecompressRLE30(s, o); },
     [](Span d, bool) { return tegulo::CompressRLE30(d); }, tegulo::CheckRLE30Hit},
    {[](Span s, auto& o) { return tegulo::DecompressDiff(s, o, 1); },
     [](Span d, bool) { return tegulo::CompressDiff(d, 1); }, tegulo::CheckDiff8Hit},
    {[](Span s, auto& o) { return tegulo::DecompressDiff(s, o, 2); },
     [](Span d, bool) { return tegulo::CompressDiff(d, 2); }, tegulo::CheckDiff16Hit},
    {DecodeCommands<tegulo::TCommandFormat::LCLZ2>,
     [](Span d, bool) { return tegulo::CompressCommands(tegulo::TCommandFormat::LCLZ2, d); },
     tegulo::CheckLCLZ2Hit},
    {DecodeCommands<tegulo::TCommandFormat::LCLZ5>,
     [](Span d, bool) { return tegulo::CompressCommands(tegulo::TCommandFormat::LCLZ5, d); },
     tegulo::CheckLCLZ5Hit},
    {DecodeCommands<tegulo::TCommandFormat::HAL>,
     [](Span d, bool) { return tegulo::CompressCommands(tegulo::TCommandFormat::HAL, d); },
     tegulo::CheckHALHit},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const TRow& row = kRows[(data[0] & 15u) % 9];
  const bool compress = (data[0] & 16u) != 0;
  const Span rest(data + 1, size - 1);
  static tegulo::TDecodeBuffer out;
  if (!compress) {
    const std::uint32_t used = row.decode(rest, out);
    Check(used <= rest.size());
    if (const auto hit = row.check(rest, 0, 1, nullptr)) {
      Check(hit->comprSize == used && hit->comprSize <= rest.size());
    }
    return 0;
  }
  Bytes stream;
  try {
    stream = row.compress(rest, (data[0] & 32u) != 0);
  } catch (const tegulo::TError&) {
    return 0;  // more than the format holds
  }
  out.assign(rest.size(), 0);
  Check(row.decode(stream, out) == stream.size());
  Check(std::equal(rest.begin(), rest.end(), out.begin()));
  return 0;
}
