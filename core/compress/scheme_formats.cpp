// The scheme table's lookups and the help texts made from its rows.
#include "compress/scheme_formats.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/choice_lookup.h"

namespace tegulo {
namespace {

// "A", "A and B", "A, B and C".
std::string JoinNames(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}

// The names of the rows with a decoder for which `pick` holds.
template <class TPick>
std::string NamesWhere(TPick pick) {
  std::vector<std::string> names;
  for (const TSchemeFormat& f : kSchemeRows) {
    if (f.decode != nullptr && pick(f)) names.emplace_back(f.name);
  }
  return JoinNames(names);
}

// Each line of `text` broken before the word that would pass `width` columns.
std::string Wrap(const std::string& text, std::size_t width = 79) {
  std::string out;
  std::size_t lineStart = 0;
  std::size_t lastSpace = std::string::npos;
  for (const char c : text) {
    if (c == '\n') {
      lineStart = out.size() + 1;
      lastSpace = std::string::npos;
    } else if (c == ' ') {
      lastSpace = out.size();
    }
    out += c;
    if (out.size() - lineStart > width && lastSpace != std::string::npos) {
      out[lastSpace] = '\n';
      lineStart = lastSpace + 1;
      lastSpace = std::string::npos;
    }
  }
  return out;
}

}  // namespace

std::span<const TSchemeFormat, kCompressionCount> SchemeFormats() { return kSchemeRows; }

bool PadsToWords(const TSchemeFormat& format) {
  return format.sizeRule == TSizeRule::kRawInHeader24;
}

std::string WordPaddedSchemeNames() { return NamesWhere(PadsToWords); }

const TSchemeFormat* FindSchemeFormat(int row) {
  if (row < 0 || row >= kCompressionCount) return nullptr;
  return &kSchemeRows[row];
}

std::size_t SampleStream(const TSchemeFormat& format, std::span<const std::uint8_t> stream,
                         std::uint32_t rawSize, TDecodeBuffer& output) {
  if (format.sample != nullptr) return format.sample(stream, rawSize, output);
  bool ignored = false;
  format.decode(stream, output, &ignored);
  return rawSize;
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

std::vector<std::uint8_t> CompressStream(int scheme, std::span<const std::uint8_t> data,
                                         const TCompressOptions& options) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->compress == nullptr) {
    throw std::invalid_argument("no compression scheme " + std::to_string(scheme));
  }
  std::vector<std::uint8_t> stream = format->compress(data, options);
  if (options.padToWords && PadsToWords(*format)) {
    stream.resize((stream.size() + 3) & ~std::size_t{3}, 0);
  }
  return stream;
}

std::string SchemeLimitsText() {
  // Each distinct most-output, largest first, then the stream-position limits.
  std::vector<std::uint32_t> sizes;
  for (const TSchemeFormat& f : kSchemeRows) {
    const std::uint32_t most = f.limits.maxOutput;
    if (f.compress != nullptr && most != 0 &&
        std::find(sizes.begin(), sizes.end(), most) == sizes.end()) {
      sizes.push_back(most);
    }
  }
  std::sort(sizes.rbegin(), sizes.rend());
  std::vector<std::string> parts;
  for (const std::uint32_t most : sizes) {
    parts.push_back(NamesWhere([most](const TSchemeFormat& f) {
                      return f.compress != nullptr && f.limits.maxOutput == most;
                    }) +
                    " up to " + std::to_string(most) + " bytes");
  }
  std::string text = "Unpacked data:";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? " " : "; ") + parts[i];
  text += ".";
  std::vector<std::uint32_t> positions;
  for (const TSchemeFormat& f : kSchemeRows) {
    if (f.compress != nullptr && f.limits.maxStream != 0 &&
        std::find(positions.begin(), positions.end(), f.limits.maxStream) == positions.end()) {
      positions.push_back(f.limits.maxStream);
    }
  }
  for (const std::uint32_t last : positions) {
    text += " " + NamesWhere([last](const TSchemeFormat& f) {
              return f.compress != nullptr && f.limits.maxStream == last;
            }) +
            " streams must end by position " + std::to_string(last) + ".";
  }
  return Wrap(text);
}

std::string SchemeSizeRulesText() {
  const auto rule = [](TSizeRule r) {
    return NamesWhere([r](const TSchemeFormat& f) { return f.sizeRule == r; });
  };
  std::string text;
  const std::string header24 = rule(TSizeRule::kRawInHeader24);
  const std::string header16 = rule(TSizeRule::kRawInHeader16);
  const std::string compr16 = rule(TSizeRule::kComprInHeader16);
  const std::string compr15 = rule(TSizeRule::kComprInHeader15);
  const std::string none = rule(TSizeRule::kNoSizeField);
  const std::string header32 = rule(TSizeRule::kRawInHeader32BE);
  if (!header24.empty()) {
    text += header24 +
            ": RawSize is the 24-bit size after the type byte, ComprSize the bytes consumed.\n";
  }
  if (!header16.empty()) {
    text += header16 + ": RawSize is the 16-bit size at the start, ComprSize the bytes consumed.\n";
  }
  if (!compr16.empty()) {
    text += compr16 +
            ": RawSize is the bytes written, ComprSize the 16-bit value at the start "
            "(the stream's length, or the distance to the first record).\n";
  }
  if (!compr15.empty()) {
    text += compr15 +
            ": RawSize is the bytes written, ComprSize bits 0-14 of the 16-bit value at the "
            "start (the stream's length; bit 15 asks for re-interleaved 16-byte blocks).\n";
  }
  if (!none.empty()) {
    text += none + ": RawSize is the bytes written, ComprSize the bytes read, end byte included.\n";
  }
  if (!header32.empty()) {
    text += header32 +
            ": RawSize is the 32-bit big-endian size after the method byte, ComprSize the 18 "
            "header bytes and the packed size the header states.\n";
  }
  return Wrap(text);
}

}  // namespace tegulo
