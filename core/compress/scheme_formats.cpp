// The rows of the compression scheme table.
#include "compress/scheme_formats.h"

#include <array>
#include <cassert>

#include "base/choice_lookup.h"
#include "compress/ct_layout.h"
#include "compress/decoder_paths.h"
#include "compress/ff_layout.h"
#include "compress/lz10_layout.h"
#include "compress/more_rows.h"
#include "compress/stream_extent.h"

namespace tegulo {
namespace {

std::uint32_t DecodeLZ10(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                         bool* notValid) {
  return DecompressLZ10(stream, output, notValid);
}

// FF5 has no rule a stream can break: every ring index and every header value is allowed.
std::uint32_t DecodeFF5(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                        bool* notValid) {
  *notValid = false;
  return DecompressFF5(stream, output);
}

std::uint32_t DecodeFF6(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                        bool* notValid) {
  return DecompressFF6(stream, output, notValid);
}

std::uint32_t DecodeCT(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                       bool* notValid) {
  return DecompressCT(stream, output, notValid);
}

std::vector<std::uint8_t> PackLZ10(std::span<const std::uint8_t> data, const TCompressOptions& o) {
  return CompressLZ10(data, o.allowDistance1);
}

template <std::vector<std::uint8_t> (*Compress)(std::span<const std::uint8_t>)>
std::vector<std::uint8_t> PackWithoutOptions(std::span<const std::uint8_t> data,
                                             const TCompressOptions& /*options*/) {
  return Compress(data);
}

std::vector<std::uint8_t> PackCT(std::span<const std::uint8_t> data, const TCompressOptions& o) {
  return CompressCT(data, o.ctMode);
}

template <TStreamDecoder Decode>
std::size_t SampleByDecoding(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                             TDecodeBuffer& output) {
  bool ignored = false;
  Decode(stream, output, &ignored);
  return rawSize;
}

std::size_t SampleLZ10(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                       TDecodeBuffer& output) {
  return SampleLZ10Stream(stream, rawSize, output);
}

constexpr TSchemeLimits kNoLimits{};
constexpr TSchemeLimits kLZ10Limits{
    lz10::kMaxRawSize, 0, lz10::kMinLength, lz10::kMaxLength, 1, lz10::kMaxDistance, 0, 0};
constexpr TSchemeLimits kFF5Limits{
    ff::kMaxHeaderValue, 0, ff::kMinLength, ff::kMaxLength, 1, ff::kRingSize, ff::kRingSize,
    ff::kRingStart};
constexpr TSchemeLimits kFF6Limits{0, ff::kMaxHeaderValue, ff::kMinLength, ff::kMaxLength,
                                   1, ff::kRingSize,       ff::kRingSize,  ff::kRingStart};
// CT's lengths and distances depend on the offset mode (ct_layout.h): the widest of both here.
constexpr TSchemeLimits kCTLimits{0, ct::kMaxPosition,        3, ct::kMode11.maxLength,
                                  1, ct::kMode12.maxDistance, 0, 0};

constexpr TSchemeFormat kFirstRows[] = {
    {kSchemeNone, TSizeRule::kFromTiles, kNoLimits, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, false},
    {kSchemeLZ10, TSizeRule::kRawInHeader24, kLZ10Limits, DecodeLZ10, DecompressLZ10Careful,
     CheckLZ10Hit, PackLZ10, StreamExtentLZ10, SampleLZ10, false, "LZ10"},
    {kSchemeFF5, TSizeRule::kRawInHeader16, kFF5Limits, DecodeFF5, DecompressFF5Careful,
     CheckFF5Hit, PackWithoutOptions<CompressFF5>, StreamExtentFF5, SampleByDecoding<DecodeFF5>,
     true},
    {kSchemeFF6, TSizeRule::kComprInHeader16, kFF6Limits, DecodeFF6, DecompressFF6Careful,
     CheckFF6Hit, PackWithoutOptions<CompressFF6>, StreamExtentFF6, SampleByDecoding<DecodeFF6>,
     true},
    {kSchemeCT, TSizeRule::kComprInHeader16, kCTLimits, DecodeCT, DecompressCTCareful, CheckCTHit,
     PackCT, StreamExtentCT, SampleByDecoding<DecodeCT>, false},
};

// The first rows, then those of the schemes numbered 5 and up (more_rows.cpp).
constexpr auto kRows = [] {
  std::array<TSchemeFormat, kCompressionCount> rows{};
  std::size_t i = 0;
  for (const TSchemeFormat& r : kFirstRows) rows[i++] = r;
  for (const TSchemeFormat& r : kMoreRows) rows[i++] = r;
  return rows;
}();

constexpr bool RowsMatchTheChoiceTable() {
  for (int i = 0; i < kCompressionCount; ++i) {
    // Which rows have a decoder is checked by the tests: comparing a function template's
    // address with null is not a constant expression under -fsanitize=undefined.
    if (kRows[i].row != i || Compressions[i].Value != i) return false;
  }
  return true;
}
static_assert(RowsMatchTheChoiceTable());

}  // namespace

std::span<const TSchemeFormat, kCompressionCount> SchemeFormats() { return kRows; }

const TSchemeFormat* FindSchemeFormat(int row) {
  if (row < 0 || row >= kCompressionCount) return nullptr;
  return &kRows[row];
}

std::string NotValidStreamText(int row) {
  const TSchemeFormat* f = FindSchemeFormat(row);
  assert(f != nullptr);
  const std::string_view name =
      f->streamName != nullptr ? std::string_view(f->streamName) : Compressions[row].name();
  return "Not valid " + std::string(name) + " stream";
}

std::optional<int> FindScheme(std::string_view name) {
  const auto row = FindChoice(Compressions, name);
  if (row && *row >= 1) return row;
  return std::nullopt;
}

}  // namespace tegulo
