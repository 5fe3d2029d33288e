// The ways the world writes streams of every scheme.
#include "stream_variants.h"

#include "command_writers.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo::gen {

bool IsDiff(const TVariant& v) { return v.scheme == kSchemeDiff8 || v.scheme == kSchemeDiff16; }

std::string SchemeLabel(const TVariant& v) {
  if (v.scheme != kSchemeCT) return std::string(Compressions[v.scheme].name());
  const char* mark =
      v.mark == TCTMark::kHighBits ? (v.mode11 ? "0xC0" : "0x80") : (v.mode11 ? "0x40" : "0x00");
  return std::string("LZSS-CT ") + (v.mode11 ? "11-bit " : "12-bit ") + mark;
}

std::string ParseLabel(const TVariant& v) {
  if (v.scheme == kSchemeHuffman4 || v.scheme == kSchemeHuffman8) {
    return v.tree == THuffmanTree::kBreadthFirst ? "breadth-first"
           : v.tree == THuffmanTree::kHeavyFirst ? "heavy-first"
                                                 : "nested";
  }
  std::string s = IsDiff(v)                    ? "plain"
                  : v.parse == TParse::kGreedy ? "greedy"
                  : v.parse == TParse::kLazy   ? "lazy"
                                               : "optimal";
  if (!v.distance1) s += " no-d1";
  if (v.zeroRing) s += " zero-ring";
  if (v.pad == TPad::kZero) s += " pad4";
  if (v.pad == TPad::kFF) s += " pad4-FF";
  if (v.otherForm) {
    s += v.scheme == kSchemeLCLZ17 ? " long3"
         : v.scheme == kSchemeKoei ? " keep-place"
         : v.scheme == kSchemeRNC1 ? " flat-4K"
                                   : " no-runs";
  }
  return s;
}

namespace {

// The flag-byte schemes: the three parses, with and without distance 1, padded or not, and
// one extra optimal variant.
void AddFlagVariants(std::vector<TVariant>& all) {
  std::vector<TVariant> schemes;
  for (int scheme = kSchemeLZ10; scheme <= kSchemeFF6; ++scheme) schemes.push_back({scheme});
  for (bool mode11 : {true, false}) {
    for (TCTMark mark : {TCTMark::kHighBits, TCTMark::kBit6}) {
      TVariant ct{kSchemeCT};
      ct.mode11 = mode11;
      ct.mark = mark;
      schemes.push_back(ct);
    }
  }
  schemes.push_back({kSchemeLZ11});
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
    if (base.scheme == kSchemeLZ10 || base.scheme == kSchemeLZ11) {
      extra.pad = TPad::kFF;
      all.push_back(extra);
    } else if (base.scheme != kSchemeCT) {
      extra.zeroRing = true;
      all.push_back(extra);
    }
  }
}

// The second set of SNES schemes.
void AddSnesVariants(std::vector<TVariant>& all) {
  for (int scheme : {kSchemeLCLZ1, kSchemeKonami1, kSchemeKonami2, kSchemeKonami2R}) {
    for (TParse parse : {TParse::kGreedy, TParse::kOptimal}) all.push_back({scheme, parse});
  }
  for (TParse parse : {TParse::kGreedy, TParse::kLazy, TParse::kOptimal}) {
    TVariant v{kSchemeLCLZ14, parse};
    v.zeroRing = parse != TParse::kGreedy;
    all.push_back(v);
  }
  for (int scheme : {kSchemeLCLZ17, kSchemeKoei, kSchemeRNC1, kSchemeRNC2}) {
    for (TParse parse : {TParse::kGreedy, TParse::kLazy, TParse::kOptimal}) {
      TVariant v{scheme, parse};
      v.otherForm = parse == (scheme == kSchemeRNC2 ? TParse::kGreedy : TParse::kLazy);
      all.push_back(v);
    }
  }
}

}  // namespace

std::vector<TVariant> AllVariants() {
  std::vector<TVariant> all;
  AddFlagVariants(all);
  for (int scheme : {kSchemeHuffman4, kSchemeHuffman8}) {
    for (THuffmanTree tree :
         {THuffmanTree::kBreadthFirst, THuffmanTree::kHeavyFirst, THuffmanTree::kNested}) {
      TVariant v{scheme};
      v.tree = tree;
      all.push_back(v);
    }
  }
  for (int scheme : {kSchemeRLE30, kSchemeDiff8, kSchemeDiff16}) {
    for (TParse parse : {TParse::kGreedy, TParse::kOptimal}) {
      for (TPad pad : {TPad::kNone, TPad::kZero}) {
        if (scheme != kSchemeRLE30 && parse != TParse::kGreedy) continue;
        TVariant v{scheme, parse};
        v.pad = pad;
        all.push_back(v);
      }
    }
  }
  for (int scheme : {kSchemeLCLZ2, kSchemeLCLZ5, kSchemeHAL}) {
    for (TParse parse : {TParse::kGreedy, TParse::kOptimal}) all.push_back({scheme, parse});
  }
  AddSnesVariants(all);
  return all;
}

std::vector<std::uint8_t> FitData(const TVariant& v, std::vector<std::uint8_t> data) {
  if (v.scheme >= kSchemeLCLZ2) {
    data.resize(std::max<std::size_t>(data.size() & ~std::size_t{15}, 16), 0);
  } else if (v.scheme == kSchemeDiff16) {
    data.resize(data.size() & ~std::size_t{1});
  }
  return data;
}

std::vector<std::uint8_t> MakeStream(const TVariant& v, std::span<const std::uint8_t> data) {
  switch (v.scheme) {
    case kSchemeHuffman4: return WriteHuffman(data, 4, v.tree);
    case kSchemeHuffman8: return WriteHuffman(data, 8, v.tree);
    case kSchemeRLE30: return WriteRLE30(data, v.parse == TParse::kOptimal, v.pad);
    case kSchemeDiff8: return WriteDiff(data, 1, v.pad);
    case kSchemeDiff16: return WriteDiff(data, 2, v.pad);
    case kSchemeLCLZ2:
      return WriteCommands(data, TCommandKind::kLCLZ2, v.parse == TParse::kOptimal);
    case kSchemeLCLZ5:
      return WriteCommands(data, TCommandKind::kLCLZ5, v.parse == TParse::kOptimal);
    case kSchemeHAL: return WriteCommands(data, TCommandKind::kHAL, v.parse == TParse::kOptimal);
    case kSchemeLCLZ1:
      return WriteCommands(data, TCommandKind::kLCLZ1, v.parse == TParse::kOptimal);
    case kSchemeLCLZ14: return WriteLCLZ14(data, v.parse, v.zeroRing ? 18 : 0);
    case kSchemeKonami1: return WriteKonami(data, TKonamiKind::k1, v.parse == TParse::kOptimal);
    case kSchemeKonami2: return WriteKonami(data, TKonamiKind::k2, v.parse == TParse::kOptimal);
    case kSchemeKonami2R: return WriteKonami(data, TKonamiKind::k2R, v.parse == TParse::kOptimal);
    case kSchemeLCLZ17: return WriteLCLZ17(data, v.parse, v.otherForm);
    case kSchemeKoei: return WriteKoei(data, v.parse, v.otherForm);
    case kSchemeRNC1: return WriteRNC1(data, v.parse, v.otherForm, v.otherForm ? 0x1000 : 0x7FFF);
    case kSchemeRNC2: return WriteRNC2(data, v.parse, v.otherForm ? 0 : 1, !v.otherForm);
    default: break;
  }
  TParseRules rules;
  rules.minDistance = v.distance1 ? 1 : 2;
  switch (v.scheme) {
    case kSchemeLZ10: break;
    case kSchemeLZ11:
      rules.maxLength = 65808;
      rules.lz11Costs = true;
      break;
    case kSchemeFF5:
    case kSchemeFF6:
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
    case kSchemeLZ10: return WriteLZ10(data, tokens, v.pad);
    case kSchemeLZ11: return WriteLZ11(data, tokens, v.pad);
    case kSchemeFF5: return WriteFF(data, tokens, false, v.pad);
    case kSchemeFF6: return WriteFF(data, tokens, true, v.pad);
    default: return WriteCT(data, tokens, v.mode11, v.mark, v.pad);
  }
}

}  // namespace tegulo::gen
