// Kinds of data that games pack, made from a seed.
#include "stream_content.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace tegulo::gen {
namespace {

using TPixels = std::array<std::uint8_t, 64>;  // one 8x8 tile, a colour index a pixel

unsigned Pick(std::mt19937& rng, unsigned n) { return static_cast<unsigned>(rng() % n); }

// One tile in one of a few styles that tile art is made of.
TPixels DrawTile(std::mt19937& rng, unsigned colours) {
  TPixels p{};
  const unsigned a = Pick(rng, colours);
  const unsigned b = Pick(rng, colours);
  const unsigned c = Pick(rng, colours);
  switch (Pick(rng, 6)) {
    case 0: break;  // blank
    case 1: p.fill(static_cast<std::uint8_t>(a)); break;
    case 2:  // bands, as in a sky or a gradient
      for (int i = 0; i < 64; ++i) p[i] = static_cast<std::uint8_t>((a + (i / 8) / 3) % colours);
      break;
    case 3:  // a ring with an outline colour
      for (int i = 0; i < 64; ++i) {
        const int x = i % 8 - 4;
        const int y = i / 8 - 4;
        const int d = x * x + y * y;
        p[i] = static_cast<std::uint8_t>(d < 9 ? a : d < 14 ? b : 0);
      }
      break;
    case 4:  // dither of two colours
      for (int i = 0; i < 64; ++i) p[i] = static_cast<std::uint8_t>(((i + i / 8) & 1) ? a : b);
      break;
    default:  // a blob of three colours
      for (int i = 0; i < 64; ++i) {
        const unsigned r = Pick(rng, 8);
        p[i] = static_cast<std::uint8_t>(r < 4 ? 0 : r < 6 ? a : r < 7 ? b : c);
      }
      break;
  }
  return p;
}

void PutPlanar(const TPixels& p, int bpp, std::vector<std::uint8_t>& out) {
  for (int pair = 0; pair < bpp / 2; ++pair) {
    for (int y = 0; y < 8; ++y) {
      for (int plane = 2 * pair; plane < 2 * pair + 2; ++plane) {
        unsigned byte = 0;
        for (int x = 0; x < 8; ++x) byte |= ((p[8 * y + x] >> plane) & 1u) << (7 - x);
        out.push_back(static_cast<std::uint8_t>(byte));
      }
    }
  }
}

// Tile art: a set of tiles drawn once, then used again and again with small changes.
std::vector<std::uint8_t> Tiles(std::size_t size, int bpp, std::mt19937& rng) {
  const unsigned colours = 1u << bpp;
  std::vector<TPixels> set(4 + Pick(rng, 12));
  for (TPixels& t : set) t = DrawTile(rng, colours);
  std::vector<std::uint8_t> out;
  while (out.size() < size) {
    TPixels t = Pick(rng, 3) == 0 ? DrawTile(rng, colours) : set[Pick(rng, set.size())];
    for (unsigned k = Pick(rng, 4); k > 0; --k) t[Pick(rng, 64)] = Pick(rng, colours);
    if (bpp == 8) {
      out.insert(out.end(), t.begin(), t.end());
    } else {
      PutPlanar(t, bpp, out);
    }
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> Tilemap(std::size_t size, std::mt19937& rng) {
  std::vector<std::uint8_t> out;
  unsigned tile = Pick(rng, 64);
  const unsigned palette = Pick(rng, 8) << 10;
  while (out.size() < size) {
    unsigned word = 0;  // the blank tile
    switch (Pick(rng, 4)) {
      case 0: break;
      case 1: word = palette | (tile++ & 0x3FF); break;
      default: word = palette | ((tile + Pick(rng, 4)) & 0x3FF) | (Pick(rng, 4) == 0 ? 0x4000 : 0);
    }
    for (unsigned run = 1 + Pick(rng, 6); run > 0 && out.size() < size; --run) {
      out.push_back(static_cast<std::uint8_t>(word));
      out.push_back(static_cast<std::uint8_t>(word >> 8));
    }
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> Text(std::size_t size, std::mt19937& rng) {
  static constexpr const char* kWords[] = {
      "the",  "sword", "of",    "king",   "you",   "found", "a",      "key",    "door",
      "is",   "shut",  "stone", "tower",  "north", "gold",  "potion", "return", "village",
      "HP",   "MP",    "LEVEL", "attack", "magic", "item",  "save",   "world",  "castle",
      "dark", "light", "hero",  "will",   "not",   "open",  "more",   "quest",  "cave"};
  std::vector<std::uint8_t> out;
  while (out.size() < size) {
    const char* w = kWords[Pick(rng, std::size(kWords))];
    out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    const unsigned r = Pick(rng, 12);
    out.push_back(r == 0 ? '\n' : r == 1 ? '.' : r == 2 ? 0x00 : ' ');
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> Palette(std::size_t size, std::mt19937& rng) {
  std::vector<std::uint8_t> out;
  while (out.size() < size) {
    // A ramp of 16 colours from dark to light towards a random hue, colour 0 black.
    const unsigned r = Pick(rng, 32), g = Pick(rng, 32), b = Pick(rng, 32);
    for (unsigned i = 0; i < 16; ++i) {
      const unsigned word = i == 0 ? 0 : (r * i / 15) | (g * i / 15) << 5 | (b * i / 15) << 10;
      out.push_back(static_cast<std::uint8_t>(word));
      out.push_back(static_cast<std::uint8_t>(word >> 8));
    }
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> Sound(std::size_t size, std::mt19937& rng) {
  std::vector<std::uint8_t> out(size);
  const double step = 0.05 + 0.3 * (Pick(rng, 100) / 100.0);
  std::normal_distribution<double> noise(0, 18);
  for (std::size_t i = 0; i < size; ++i) {
    const double v = 128 + 70 * std::sin(step * static_cast<double>(i)) + noise(rng);
    out[i] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
  }
  return out;
}

// One sample of an instrument, in -1..1 before the noise: `t` in samples from the start.
struct TInstrument {
  bool drum = false;
  double step = 0;                   // the fundamental, radians a sample
  std::array<double, 4> harmonic{};  // their amplitudes
  double attack = 1;                 // samples to the peak
  double decay = 1;                  // samples to fall by e
  double colour = 0;                 // the drum noise's low-pass: 0 white .. near 1 dull
  double tone = 0;                   // the drum's falling tone beside the noise
};

TInstrument DrawInstrument(std::size_t units, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0, 1);
  TInstrument in;
  in.drum = Pick(rng, 4) == 0;
  // 60 .. 1000 Hz at 13379 Hz.
  in.step = 2 * 3.14159265358979 * (60 + 940 * u(rng) * u(rng)) / 13379;
  double sum = 0;
  for (std::size_t k = 0; k < in.harmonic.size(); ++k) {
    in.harmonic[k] = u(rng) / static_cast<double>(k + 1);
    sum += in.harmonic[k];
  }
  for (double& h : in.harmonic) h /= sum;
  const double n = static_cast<double>(units);
  in.attack = 1 + n * (in.drum ? 0.002 : 0.05 * u(rng));
  in.decay = n * (in.drum ? 0.05 + 0.2 * u(rng) : 0.2 + 0.8 * u(rng));
  in.colour = 0.3 + 0.65 * u(rng);
  in.tone = 0.2 + 0.5 * u(rng);
  return in;
}

std::vector<std::uint8_t> ZeroRuns(std::size_t size, std::mt19937& rng) {
  std::vector<std::uint8_t> out(size, 0);
  for (std::size_t i = Pick(rng, 512); i < size; i += 64 + Pick(rng, 2048)) {
    for (unsigned k = Pick(rng, 8); k > 0 && i < size; --k)
      out[i++] = static_cast<std::uint8_t>(rng());
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> MakeInstrument(std::size_t size, int unitBytes, std::mt19937& rng) {
  const std::size_t units = size / static_cast<std::size_t>(unitBytes);
  const TInstrument in = DrawInstrument(std::max<std::size_t>(units, 1), rng);
  std::uniform_real_distribution<double> u(-1, 1);
  const double full = unitBytes == 1 ? 127 : 32767;
  const double peak = full * (0.3 + 0.65 * (u(rng) + 1) / 2);
  // Recording noise of 0.5 to 3 steps of 8 bits, whatever the sample size.
  std::normal_distribution<double> hiss(0, (0.5 + 1.25 * (u(rng) + 1)) * full / 127);
  std::vector<std::uint8_t> out;
  out.reserve(size);
  double noise = 0;
  double phase = 0;
  for (std::size_t i = 0; i < units; ++i) {
    const double t = static_cast<double>(i);
    const double envelope = std::min(t / in.attack, 1.0) * std::exp(-t / in.decay);
    double v = 0;
    if (in.drum) {
      noise = in.colour * noise + (1 - in.colour) * u(rng) * 2;
      phase += in.step * (1 + 2 * std::exp(-t / (in.decay / 4)));
      v = (1 - in.tone) * std::clamp(noise, -1.0, 1.0) + in.tone * std::sin(phase);
    } else {
      for (std::size_t k = 0; k < in.harmonic.size(); ++k) {
        v += in.harmonic[k] * std::sin(in.step * static_cast<double>(k + 1) * t);
      }
    }
    const double s = std::clamp(std::round(peak * envelope * v + hiss(rng)), -full - 1, full);
    const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(s));
    out.push_back(static_cast<std::uint8_t>(word));
    if (unitBytes == 2) out.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  out.resize(size, 0);
  return out;
}

std::string_view ContentName(TContent kind) {
  switch (kind) {
    case TContent::kTiles2bpp: return "tiles-2bpp";
    case TContent::kTiles4bpp: return "tiles-4bpp";
    case TContent::kTiles8bpp: return "tiles-8bpp";
    case TContent::kTilemap: return "tilemap";
    case TContent::kText: return "text";
    case TContent::kPalette: return "palette";
    case TContent::kSound: return "sound";
    case TContent::kZeroRuns: return "zero-runs";
    case TContent::kTiny: return "tiny";
  }
  return "?";
}

std::vector<std::uint8_t> MakeContent(TContent kind, std::size_t size, std::mt19937& rng) {
  switch (kind) {
    case TContent::kTiles2bpp: return Tiles(size, 2, rng);
    case TContent::kTiles4bpp: return Tiles(size, 4, rng);
    case TContent::kTiles8bpp: return Tiles(size, 8, rng);
    case TContent::kTilemap: return Tilemap(size, rng);
    case TContent::kText: return Text(size, rng);
    case TContent::kPalette: return Palette(size, rng);
    case TContent::kSound: return Sound(size, rng);
    case TContent::kZeroRuns: return ZeroRuns(size, rng);
    case TContent::kTiny: return Tiles(32 + Pick(rng, 97), 4, rng);
  }
  return {};
}

}  // namespace tegulo::gen
