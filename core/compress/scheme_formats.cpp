// The rows of the compression scheme table.
#include "compress/scheme_formats.h"

#include <array>

#include "base/choice_lookup.h"
#include "compress/encoders.h"
#include "compress/more_rows.h"

namespace tegulo {
namespace {

std::uint32_t DecodeLZ10(std::span<const std::uint8_t> stream, tLZStream& output, bool* notValid) {
  return DecompressLZ10(stream, output, notValid);
}

template <std::uint32_t (*Decode)(std::span<const std::uint8_t>, tLZStream&)>
std::uint32_t DecodeWithoutTypeByte(std::span<const std::uint8_t> stream, tLZStream& output,
                                    bool* /*notValid*/) {
  return Decode(stream, output);
}

std::vector<std::uint8_t> EncodeCT11(std::span<const std::uint8_t> data) {
  return EncodeCT(data, TCTMode::Bits11);
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

constexpr TSchemeFormat kFirstRows[] = {
    {kSchemeNone, TSizeRule::kFromTiles, nullptr, nullptr, nullptr, nullptr},
    {kSchemeLZ10, TSizeRule::kRawInHeader24, DecodeLZ10, EncodeLZ10, CheckLZ10Hit, PackLZ10},
    {kSchemeFF5, TSizeRule::kRawInHeader16, DecodeWithoutTypeByte<DecompressFF5>, EncodeFF5,
     CheckFF5Hit, PackWithoutOptions<CompressFF5>},
    {kSchemeFF6, TSizeRule::kComprInHeader16, DecodeWithoutTypeByte<DecompressFF6>, EncodeFF6,
     CheckFF6Hit, PackWithoutOptions<CompressFF6>},
    {kSchemeCT, TSizeRule::kComprInHeader16, DecodeWithoutTypeByte<DecompressCT>, EncodeCT11,
     CheckCTHit, PackCT},
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

std::optional<int> FindScheme(std::string_view name) {
  const auto row = FindChoice(Compressions, name);
  if (row && *row >= 1) return row;
  return std::nullopt;
}

}  // namespace tegulo
