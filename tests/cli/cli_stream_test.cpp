// tegulo-cli decompress and scan against streams made by the shared encoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "cli_support.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "greedy_encoders.h"

using namespace tegulo;
using namespace tegulo::clitest;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Data with runs and repeats, as tile graphics have, so that every scheme finds matches.
Bytes Payload(std::mt19937& rng, std::size_t n) {
  Bytes b;
  while (b.size() < n) {
    switch (rng() % 3) {
      case 0: b.insert(b.end(), 1 + rng() % 20, static_cast<std::uint8_t>(rng())); break;
      case 1:
        if (b.size() > 8) {
          const std::size_t from = rng() % (b.size() - 4);
          const std::size_t len = std::min<std::size_t>(3 + rng() % 30, b.size() - from);
          for (std::size_t i = 0; i < len; ++i) b.push_back(b[from + i]);
        }
        break;
      default: b.push_back(static_cast<std::uint8_t>(rng())); break;
    }
  }
  b.resize(n);
  return b;
}

Bytes Encode(int scheme, const Bytes& raw) {
  switch (scheme) {
    case 1: return EncodeLZ10(raw);
    case 2: return EncodeFF5(raw);
    case 3: return EncodeFF6(raw);
    default: return EncodeCT(raw);
  }
}

// A reading of the LZ77-10 rules written apart from the core's checker: decode for real,
// refusing a read past the end and a back-reference before the start of the output.
std::optional<std::pair<std::uint32_t, std::uint32_t>> ReferenceLZ10(const Bytes& rom,
                                                                     std::size_t pos) {
  if (pos + 4 > rom.size() || rom[pos] != 0x10) return std::nullopt;
  const std::uint32_t size = rom[pos + 1] | rom[pos + 2] << 8 | rom[pos + 3] << 16;
  std::vector<std::uint8_t> out;
  std::size_t in = pos + 4;
  auto next = [&](std::uint8_t& v) {
    if (in >= rom.size()) return false;
    v = rom[in++];
    return true;
  };
  while (out.size() < size) {
    std::uint8_t flags;
    if (!next(flags)) return std::nullopt;
    for (int bit = 7; bit >= 0 && out.size() < size; --bit) {
      std::uint8_t b0, b1;
      if (!next(b0)) return std::nullopt;
      if (!(flags >> bit & 1)) {
        out.push_back(b0);
        continue;
      }
      if (!next(b1)) return std::nullopt;
      const std::size_t distance = ((b0 & 15u) << 8 | b1) + 1u;
      if (distance > out.size()) return std::nullopt;
      for (int k = 0; k < (b0 >> 4) + 3; ++k) out.push_back(out[out.size() - distance]);
    }
  }
  return std::make_pair(size, static_cast<std::uint32_t>(in - pos));
}

using TFound = std::set<std::tuple<std::size_t, std::uint32_t, std::uint32_t>>;

TFound ParseScan(const std::string& out) {
  TFound found;
  for (const std::string& line : Lines(out)) {
    const auto f = Fields(line, ' ');
    EXPECT_EQ(f.size(), 3u) << line;
    if (f.size() != 3 || f[0].size() < 7 || f[0][0] != '$') continue;
    found.emplace(std::stoul(f[0].substr(1), nullptr, 16), std::stoul(f[1]), std::stoul(f[2]));
  }
  return found;
}

}  // namespace

TEST(CliDecompress, EverySchemeGivesBackTheEncodersInput) {
  const char* const names[] = {"", "LZ77-10", "lzss-ff5", "LZSS-FF6", "Lzss-Ct"};
  const char* const addressForms[] = {"", "$%X", "0x%x", "%d", "x%X"};
  std::mt19937 rng(11);
  for (int scheme = 1; scheme <= 4; ++scheme) {
    TScratch s;
    const Bytes raw = Payload(rng, 3000 + 1000 * scheme);
    const Bytes stream = Encode(scheme, raw);
    Bytes rom(777, 0xA5);
    rom.insert(rom.end(), stream.begin(), stream.end());
    rom.insert(rom.end(), 100, 0x5A);
    WriteBytes(s.Path("rom.bin"), rom);

    char address[32];
    std::snprintf(address, sizeof address, addressForms[scheme], 777);
    const TRun r =
        s.Run({"decompress", names[scheme], s.Path("rom.bin"), address, "-o", s.Path("out.bin")});
    ASSERT_EQ(r.status, 0) << names[scheme] << ": " << r.err;
    EXPECT_EQ(r.err, "") << names[scheme];
    // ComprSize by the scheme's rule: bytes consumed, or the header's 16-bit value
    const std::uint32_t compr = scheme <= 2
                                    ? static_cast<std::uint32_t>(stream.size())
                                    : static_cast<std::uint32_t>(stream[0] | stream[1] << 8);
    EXPECT_EQ(r.out, "RawSize: " + std::to_string(raw.size()) +
                         " ComprSize: " + std::to_string(compr) + "\n")
        << names[scheme];
    EXPECT_EQ(ReadBytes(s.Path("out.bin")), raw) << names[scheme];
  }
}

TEST(CliDecompress, WrongTypeByteIsReportedAndDecodingGoesOn) {
  TScratch s;
  WriteBytes(s.Path("rom.bin"), {0x11, 0x0A, 0x00, 0x00, 0x20, 0x41, 0x42, 0x50, 0x01});
  const TRun r =
      s.Run({"decompress", "lz77-10", s.Path("rom.bin"), "0", "--output", s.Path("out")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "tegulo-cli: Not valid LZ10 stream\n");
  EXPECT_EQ(r.out, "RawSize: 10 ComprSize: 9\n");
  const auto out = ReadBytes(s.Path("out"));
  EXPECT_EQ(std::string(out.begin(), out.end()), "ABABABABAB");
}

// A stream that breaks a rule of its scheme: the message names the scheme, decompress and
// render still write what the decoder gave and exit 0.
TEST(CliDecompress, BrokenStreamsOfEverySchemeAreReported) {
  TScratch s;
  const struct {
    const char* scheme;
    Bytes stream;
    const char* message;
  } cases[] = {
      {"LZ77-11", {0x10, 0x02, 0, 0, 0x00, 0x41, 0x42}, "Not valid LZ11 stream"},
      {"Huffman-8", {0x28, 0x04, 0, 0, 0x01, 0x3F, 0, 0, 0, 0, 0, 0}, "Not valid Huffman-8 stream"},
      {"RLE-30", {0x31, 0x03, 0, 0, 0x80, 0x41}, "Not valid RLE-30 stream"},
      {"Diff-16", {0x81, 0x02, 0, 0, 0x01, 0x02}, "Not valid Diff-16 stream"},
      {"LC_LZ2", {0x00, 0x41, 0xA0, 0x00, 0x00, 0xFF}, "Not valid LC_LZ2 stream"},
      {"HAL", {0x01, 0x41, 0x42, 0x80, 0x00, 0x02, 0xFF}, "Not valid HAL stream"},
      {"LZSS-FF6", {0x01, 0x00, 0x01, 0x41}, "Not valid LZSS-FF6 stream"},
      {"LZSS-CT", {0, 0, 0xC1, 0x01, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, "Not valid LZSS-CT stream"},
  };
  for (const auto& c : cases) {
    WriteBytes(s.Path("rom.bin"), c.stream);
    const std::string err = std::string("tegulo-cli: ") + c.message + "\n";
    const TRun d = s.Run({"decompress", c.scheme, s.Path("rom.bin"), "0", "-o", s.Path("o.bin")});
    EXPECT_EQ(d.status, 0) << c.scheme;
    EXPECT_EQ(d.err, err) << c.scheme;
    const TRun r =
        s.Run({"render", s.Path("rom.bin"), "--address", "0", "--template", "1", "--width", "1",
               "--height", "1", "--compression", c.scheme, "-o", s.Path("o.png")});
    EXPECT_EQ(r.status, 0) << c.scheme;
    EXPECT_EQ(r.err, err) << c.scheme << " render";
  }
  WriteBytes(s.Path("rom.bin"), {0x01, 0x41, 0x42, 0x80, 0x00, 0x01, 0xFF});
  EXPECT_EQ(s.Run({"decompress", "HAL", s.Path("rom.bin"), "0", "-o", s.Path("o.bin")}).err, "")
      << "the same stream without its fault";
}

TEST(CliDecompress, SizesPrintUnsigned) {
  TScratch s;
  // An RNC1 header announcing 3 GiB: no such stream is valid, and its size is printed as the
  // header states it.
  WriteBytes(s.Path("rom.bin"),
             {'R', 'N', 'C', 0x01, 0xC0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, 0x12, 0x34});
  const TRun r = s.Run({"decompress", "RNC1", s.Path("rom.bin"), "0"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "tegulo-cli: Not valid RNC1 stream\n");
  EXPECT_EQ(r.out.rfind("RawSize: 3221225472 ComprSize: ", 0), 0u) << r.out;
}

TEST(CliDecompress, OutputIsClippedToTheBuffer) {
  TScratch s;
  // an announced size of 2 MiB, then literals that end with the ROM: the unpacker stops at
  // the end of the data, having lengthened its buffer to the announced size; the file holds
  // the first RawSize bytes of that buffer
  WriteBytes(s.Path("rom.bin"), {0x10, 0x00, 0x00, 0x20, 0x00, 'a', 'b'});
  const TRun r = s.Run({"decompress", "LZ77-10", s.Path("rom.bin"), "0", "-o", s.Path("out")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("RawSize: 2097152 ComprSize: ", 0), 0u) << r.out;
  const auto out = ReadBytes(s.Path("out"));
  ASSERT_EQ(out.size(), 2097152u);
  EXPECT_EQ(out[0], 'a');
  EXPECT_EQ(out[1], 'b');
}

TEST(CliScan, FindsEveryPlantedStreamAndNothingThatBreaksTheRules) {
  TScratch s;
  std::mt19937 rng(2024);
  Bytes rom(1 << 20);
  for (auto& b : rom) b = static_cast<std::uint8_t>(rng());
  TFound planted;
  std::size_t pos = 64;
  while (planted.size() < 300) {
    pos = (pos + 4 + rng() % 4096) & ~std::size_t{3};
    const Bytes stream = EncodeLZ10(Payload(rng, 32 + rng() % 1500));
    if (pos + stream.size() > rom.size() - 8192) break;
    std::copy(stream.begin(), stream.end(), rom.begin() + static_cast<std::ptrdiff_t>(pos));
    const auto ref = ReferenceLZ10(rom, pos);
    ASSERT_TRUE(ref.has_value());
    planted.emplace(pos, ref->first, ref->second);
    pos += stream.size();
  }
  ASSERT_GE(planted.size(), 200u);
  // near misses: a stream cut by the end of the ROM, one that reaches before its output
  const Bytes tail = EncodeLZ10(Payload(rng, 400));
  const std::size_t tailAt = (rom.size() - tail.size()) & ~std::size_t{3};
  rom.resize(tailAt + tail.size() - 1);
  std::copy(tail.begin(), tail.end() - 1, rom.begin() + static_cast<std::ptrdiff_t>(tailAt));
  const Bytes early = {0x10, 0x40, 0, 0, 0x80, 0x00, 0x00};
  std::copy(early.begin(), early.end(), rom.begin());
  WriteBytes(s.Path("rom.bin"), rom);

  for (const int align : {4, 1}) {
    const TRun r = align == 4
                       ? s.Run({"scan", s.Path("rom.bin")})
                       : s.Run({"scan", s.Path("rom.bin"), "--align", "1", "--min-size", "$20"});
    ASSERT_EQ(r.status, 0) << r.err;
    const TFound found = ParseScan(r.out);
    for (const auto& p : planted) EXPECT_TRUE(found.count(p)) << "planted at " << std::get<0>(p);

    TFound reference;
    for (std::size_t at = 0; at + 4 <= rom.size(); at += static_cast<std::size_t>(align)) {
      const auto ref = ReferenceLZ10(rom, at);
      if (ref && ref->first >= 32) reference.emplace(at, ref->first, ref->second);
    }
    EXPECT_EQ(found, reference) << "alignment " << align;
  }
}

TEST(CliScan, MinimumSizeAndAlignmentAreHonoured) {
  TScratch s;
  std::mt19937 rng(4);
  const Bytes small = EncodeLZ10(Payload(rng, 40));
  Bytes rom(64, 0);
  rom.insert(rom.end(), small.begin(), small.end());
  rom.insert(rom.end(), 3, 0);
  rom.insert(rom.end(), small.begin(), small.end());  // at 64 + size + 3: odd unless size is
  WriteBytes(s.Path("rom.bin"), rom);
  const std::size_t second = 64 + small.size() + 3;

  const std::string line64 = "$000040 40 " + std::to_string(small.size()) + "\n";
  EXPECT_EQ(s.Run({"scan", s.Path("rom.bin"), "--min-size", "41"}).out, "");
  const TRun aligned = s.Run({"scan", s.Path("rom.bin"), "--align", "64"});
  EXPECT_EQ(aligned.out, line64);
  char line2[64];
  std::snprintf(line2, sizeof line2, "$%06zX 40 %zu\n", second, small.size());
  EXPECT_EQ(s.Run({"scan", s.Path("rom.bin"), "--align", "1"}).out, line64 + line2);
}

TEST(CliScan, SchemesGiveScoreColumnsInEachFormatAndADocument) {
  TScratch s;
  const std::string rom = DemoRom();
  const TRun text = s.Run({"scan", rom, "--scheme", "all", "--align", "1"});
  ASSERT_EQ(text.status, 0) << text.err;
  const auto lines = Lines(text.out);
  // The demo's packed entries of each scheme, with their sizes.
  const std::vector<std::string> expected = {
      "$001600 2560 825 LZ77-10", "$001A00 768 178 LZSS-FF5",   "$001E00 1024 240 LZSS-FF6",
      "$001F00 512 260 LZSS-CT",  "$008600 12288 5477 LZSS-CT", "$009C00 12288 2627 LZSS-FF5"};
  for (const std::string& e : expected) {
    const bool seen = std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.rfind(e + " ", 0) == 0 && std::stoi(Fields(l, ' ').at(4)) >= 80;
    });
    EXPECT_TRUE(seen) << e << " in\n" << text.out;
  }

  const TRun tsv = s.Run({"scan", rom, "--scheme", "LZSS-FF6", "--format", "tsv"});
  ASSERT_EQ(tsv.status, 0) << tsv.err;
  const auto rows = Lines(tsv.out);
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0], "Address\tRawSize\tComprSize\tScheme\tScore");
  EXPECT_EQ(rows[1].rfind("$001E00\t1024\t240\tLZSS-FF6\t", 0), 0u) << rows[1];

  const TRun json = s.Run({"scan", rom, "--format", "json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out,
            "[\n  {\"address\": 5632, \"rawSize\": 2560, \"comprSize\": 825},\n"
            "  {\"address\": 25344, \"rawSize\": 8192, \"comprSize\": 8715}\n]\n");

  const std::string doc = s.Path("hits.tgl");
  const TRun withDoc = s.Run({"scan", rom, "--scheme", "lzss-ct", "--doc", doc, "--template",
                              "2bpp (snes)", "--width", "16"});
  ASSERT_EQ(withDoc.status, 0) << withDoc.err;
  const TRun list = s.Run({"list", doc});
  ASSERT_EQ(list.status, 0) << list.err;
  const auto entries = Lines(list.out);
  ASSERT_EQ(entries.size(), Lines(withDoc.out).size() + 1);
  // 512 bytes of 2bpp tiles (16 bytes each) in rows of 16 tiles: 2 rows.
  EXPECT_EQ(entries[1], "0\t$001F00 LZSS-CT\t$001F00\t16\t2\t0\t2bpp (SNES)\tLZSS-CT\t4\t$000000");
}

TEST(CliScan, BadScanOptionsAreUsageErrors) {
  TScratch s;
  const std::string rom = DemoRom();
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--scheme", "lzw"},
       "Unknown scan scheme 'lzw' (lz77-10, lzss-ff5, lzss-ff6, lzss-ct, lz77-11, huffman-4, "
       "huffman-8, rle-30, diff-8, diff-16, lc_lz2, lc_lz5, hal, lc_lz1, lc_lz14, konami-1, "
       "konami-2, konami-2r, lc_lz17, koei, rnc1, rnc2 or all)"},
      {{"--min-score", "50"}, "--min-score needs --scheme"},
      {{"--scheme", "all", "--min-score", "101"}, "--min-score must be 0 to 100"},
      {{"--format", "xml"}, "Unknown format 'xml' (text, tsv or json)"},
      {{"--doc", s.Path("x.tgl")}, "--doc needs --template and --width"},
      {{"--doc", s.Path("x.tgl"), "--template", "9bpp", "--width", "4"}, "Unknown template '9bpp'"},
      {{"--doc", s.Path("x.tgl"), "--template", "1", "--width", "0"},
       "--width must be 1 to 2000 tiles"},
      {{"--align", "0"}, "--align must be 1 or more"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"scan", rom};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TRun r = s.Run(args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_EQ(r.err, std::string("tegulo-cli: ") + c.message +
                         "\nRun \"tegulo-cli scan --help\" for more information.\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(s.Path("x.tgl")));
}

namespace {

// Tile art of a few patterns: what every scheme packs and the scan scores high.
Bytes PatternTiles() {
  Bytes data;
  for (int t = 0; t < 96; ++t) {
    for (int row = 0; row < 32; ++row) {
      const int kind = (t * 7) % 5;
      data.push_back(static_cast<std::uint8_t>(kind == 0   ? 0
                                               : kind == 1 ? (row % 2 == 0 ? 0x3C : 0x42)
                                               : kind == 2 ? 0x11 * (row / 8)
                                               : kind == 3 ? (row < 16 ? 0xFF : 0x81)
                                                           : 0x18 << (row % 3)));
    }
  }
  return data;
}

// The scheme named on the scan's line for the stream at $000040, "" without one.
std::string SchemeAt40(const std::string& out) {
  const std::size_t at = out.find("$000040 ");
  if (at == std::string::npos) return "";
  std::istringstream line(out.substr(at, out.find('\n', at) - at));
  std::string address, raw, packed, scheme;
  line >> address >> raw >> packed >> scheme;
  return scheme;
}

// Every scheme the scan of all takes is found by name, written in lower case, and by all;
// by all, a stream that another scheme reads as the same data may be named as that one
// (an LC_LZ1 stream whose repeat addresses read alike in both byte orders is LC_LZ2's too).
TEST(CliScan, EveryScannableSchemeIsFoundByItsName) {
  TScratch s;
  const Bytes data = PatternTiles();
  for (const int row : SchemesOfScanAll()) {
    const std::string name(Compressions[row].name());
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Bytes rom(64, 0x00);
    const Bytes stream = FindSchemeFormat(row)->compress(data, TCompressOptions{});
    rom.insert(rom.end(), stream.begin(), stream.end());
    rom.resize(rom.size() + 64, 0x00);
    WriteBytes(s.Path("rom.bin"), rom);
    for (const std::string& scheme : {lower, std::string("all")}) {
      const TRun run = s.Run({"scan", s.Path("rom.bin"), "--scheme", scheme});
      ASSERT_EQ(run.status, 0) << name << ": " << run.err;
      EXPECT_NE(run.out.find("$000040 " + std::to_string(data.size()) + " "), std::string::npos)
          << name << " by " << scheme << ":\n"
          << run.out;
      const std::string found = SchemeAt40(run.out);
      if (scheme == "all" && found != name && FindScheme(found)) {
        TDecodeBuffer out(kDecodeBufferSize);
        bool notValid = false;
        const auto n = FindSchemeFormat(*FindScheme(found))->decode(stream, out, &notValid);
        EXPECT_TRUE(n == data.size() && std::equal(data.begin(), data.end(), out.begin()))
            << name << " by all found as " << found;
        continue;
      }
      EXPECT_EQ(found, name) << name << " by " << scheme;
    }
  }
}

}  // namespace
