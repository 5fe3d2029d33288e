// The stream emitters of the three layout families.
#include "compress/stream_writers.h"

#include <string>

#include "base/uCommon.h"
#include "compress/ct_layout.h"
#include "compress/flag_writer.h"
#include "compress/lz10_layout.h"

namespace tegulo {

std::vector<std::uint8_t> WriteLZ10Stream(std::span<const std::uint8_t> data,
                                          std::span<const TParseToken> tokens) {
  std::vector<std::uint8_t> out{lz10::kTypeByte, static_cast<std::uint8_t>(data.size()),
                                static_cast<std::uint8_t>(data.size() >> 8),
                                static_cast<std::uint8_t>(data.size() >> 16)};
  out.reserve(out.size() + data.size() + data.size() / 8 + 1);
  TFlagBytes flags(out, true);
  std::size_t pos = 0;
  for (const TParseToken& t : tokens) {
    flags.Token(t.length != 0);
    if (t.length == 0) {
      out.push_back(data[pos++]);
      continue;
    }
    PutLZ10Reference(out, t.distance, t.length);
    pos += t.length;
  }
  return out;
}

std::vector<std::uint8_t> WriteFFStream(std::span<const std::uint8_t> data,
                                        std::span<const TParseToken> tokens, bool ff6) {
  std::vector<std::uint8_t> out;
  PutLe16(out, ff6 ? 0 : data.size());
  TFlagBytes flags(out, false);
  std::size_t pos = 0;
  for (const TParseToken& t : tokens) {
    flags.Token(t.length == 0);
    if (t.length == 0) {
      out.push_back(data[pos++]);
      continue;
    }
    PutFFReference(out, pos, t.distance, t.length, ff6);
    pos += t.length;
  }
  if (ff6) {
    out[0] = static_cast<std::uint8_t>(out.size());
    out[1] = static_cast<std::uint8_t>(out.size() >> 8);
  }
  return out;
}

namespace {

TError RecordTooFar(std::size_t at) {
  return TError("The LZSS-CT stream would need a record at position " + std::to_string(at) +
                "; the format allows at most " + std::to_string(ct::kMaxPosition));
}

// Appends one control byte and `count` tokens from tokens[i]; returns the control byte's place.
// An all-literal group of eight has control byte 0, which means the same eight raw bytes.
std::size_t PutCTGroup(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data,
                       std::span<const TParseToken> group, std::size_t& pos,
                       const ct::TMode& mode) {
  const std::size_t at = out.size();
  out.push_back(0);
  for (std::size_t j = 0; j < group.size(); ++j) {
    const TParseToken& t = group[j];
    if (t.length == 0) {
      out.push_back(data[pos++]);
      continue;
    }
    out[at] |= static_cast<std::uint8_t>(1U << j);
    PutLe16(out, ct::JoinReference(t.length, t.distance, mode));
    pos += t.length;
  }
  return at;
}

}  // namespace

std::vector<std::uint8_t> WriteCTStream(std::span<const std::uint8_t> data,
                                        std::span<const TParseToken> tokens, TCTMode mode) {
  const bool eleven = mode == TCTMode::Bits11;
  const ct::TMode& layout = eleven ? ct::kMode11 : ct::kMode12;
  std::vector<std::uint8_t> out{0, 0};
  std::size_t pos = 0;
  const std::size_t whole = tokens.size() / 8 * 8;
  for (std::size_t i = 0; i < whole; i += 8) {
    PutCTGroup(out, data, tokens.subspan(i, 8), pos, layout);
  }
  // The first record lies at the header's distance (plus 2) and carries the mode.
  const std::size_t first = out.size();
  if (first - ct::kHeaderSize > ct::kMaxPosition) throw RecordTooFar(first);
  const std::size_t rest = tokens.size() - whole;
  if (rest != 0) {
    // The record sets the token count of the last control byte, whose higher bits are then
    // ignored: bit 7 keeps an all-literal control byte from meaning "eight raw bytes".
    out.push_back(ct::FirstRecordByte(eleven, static_cast<unsigned>(rest)));
    PutLe16(out, 0);
    const std::size_t ctl = PutCTGroup(out, data, tokens.subspan(whole), pos, layout);
    if (out[ctl] == 0) out[ctl] = 0x80;
    if (out.size() > ct::kMaxPosition) throw RecordTooFar(out.size());
    out[first + 1] = static_cast<std::uint8_t>(out.size());
    out[first + 2] = static_cast<std::uint8_t>(out.size() >> 8);
  }
  out.push_back(ct::FirstRecordByte(eleven, 0));  // the end record: count 0
  out[0] = static_cast<std::uint8_t>(first - ct::kHeaderSize);
  out[1] = static_cast<std::uint8_t>((first - ct::kHeaderSize) >> 8);
  return out;
}

}  // namespace tegulo
