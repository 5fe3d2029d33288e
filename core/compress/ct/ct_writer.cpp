// The stream emitter of "LZSS-CT": groups of eight tokens under control bytes, then records.
#include "compress/ct/ct_writer.h"

#include <string>

#include "base/uCommon.h"
#include "compress/ct/ct_layout.h"
#include "compress/flag/flag_writer.h"

namespace tegulo {

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
