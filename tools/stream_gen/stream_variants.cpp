// The ways the world writes streams of the four schemes.
#include "stream_variants.h"

namespace tegulo::gen {

std::string SchemeLabel(const TVariant& v) {
  switch (v.scheme) {
    case 1: return "LZ77-10";
    case 2: return "LZSS-FF5";
    case 3: return "LZSS-FF6";
    default: break;
  }
  const char* mark =
      v.mark == TCTMark::kHighBits ? (v.mode11 ? "0xC0" : "0x80") : (v.mode11 ? "0x40" : "0x00");
  return std::string("LZSS-CT ") + (v.mode11 ? "11-bit " : "12-bit ") + mark;
}

std::string ParseLabel(const TVariant& v) {
  std::string s = v.parse == TParse::kGreedy ? "greedy"
                  : v.parse == TParse::kLazy ? "lazy"
                                             : "optimal";
  if (!v.distance1) s += " no-d1";
  if (v.zeroRing) s += " zero-ring";
  if (v.pad == TPad::kZero) s += " pad4";
  if (v.pad == TPad::kFF) s += " pad4-FF";
  return s;
}

std::vector<TVariant> AllVariants() {
  std::vector<TVariant> schemes;
  for (int scheme = 1; scheme <= 3; ++scheme) schemes.push_back({scheme});
  for (bool mode11 : {true, false}) {
    for (TCTMark mark : {TCTMark::kHighBits, TCTMark::kBit6}) {
      TVariant ct{4};
      ct.mode11 = mode11;
      ct.mark = mark;
      schemes.push_back(ct);
    }
  }
  std::vector<TVariant> all;
  for (const TVariant& base : schemes) {
    for (TParse parse : {TParse::kGreedy, TParse::kLazy, TParse::kOptimal}) {
      for (bool distance1 : {true, false}) {
        for (TPad pad : {TPad::kNone, TPad::kZero}) {
          TVariant v = base;
          v.parse = parse;
          v.distance1 = distance1;
          v.pad = pad;
          all.push_back(v);
        }
      }
    }
    TVariant extra = base;
    extra.parse = TParse::kOptimal;
    if (base.scheme == 1) {
      extra.pad = TPad::kFF;
      all.push_back(extra);
    } else if (base.scheme != 4) {
      extra.zeroRing = true;
      all.push_back(extra);
    }
  }
  return all;
}

std::vector<std::uint8_t> MakeStream(const TVariant& v, std::span<const std::uint8_t> data) {
  TParseRules rules;
  rules.minDistance = v.distance1 ? 1 : 2;
  switch (v.scheme) {
    case 1: break;
    case 2:
    case 3:
      rules.maxLength = 34;
      rules.maxDistance = 2048;
      rules.zeroPrefix = v.zeroRing ? 2048 : 0;
      break;
    default:
      rules.maxLength = v.mode11 ? 34 : 18;
      rules.maxDistance = v.mode11 ? 2047 : 4095;
      break;
  }
  const std::vector<TToken> tokens = ParseTokens(data, v.parse, rules);
  switch (v.scheme) {
    case 1: return WriteLZ10(data, tokens, v.pad);
    case 2: return WriteFF(data, tokens, false, v.pad);
    case 3: return WriteFF(data, tokens, true, v.pad);
    default: return WriteCT(data, tokens, v.mode11, v.mark, v.pad);
  }
}

}  // namespace tegulo::gen
