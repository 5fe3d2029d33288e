// Finding a scene's pieces in a ROM: an index of 8-byte anchors of every piece, one pass over
// the ROM and over each unpacked stream, then the whole matches checked and the partial ones
// counted.
#include "locate/locate.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "scene/scene_render.h"

namespace tegulo {
namespace {

constexpr std::size_t kAnchor = 8;
// Anchors a piece gets: one at its start for the whole matches, then one every kAnchorStep
// bytes so that a piece found only in part is still met.
constexpr std::size_t kAnchorStep = 64;
constexpr std::size_t kMaxAnchorsPerPart = 64;
// Candidates a piece may verify in one source; a piece whose anchors occur everywhere (a map
// of one repeated cell pair, say) stops there.
constexpr std::size_t kMaxChecksPerPart = 1u << 15;
constexpr std::size_t kMaxPartialCandidates = 64;

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

bool Uniform(const std::uint8_t* p, std::size_t n) {
  return std::all_of(p, p + n, [&](std::uint8_t b) { return b == p[0]; });
}

struct TAnchorRef {
  std::uint64_t key;
  std::uint32_t part;
  std::uint32_t offset;
};

// Open addressing over the anchors sorted by key: a slot holds the first anchor of its key.
class TAnchorIndex {
public:
  explicit TAnchorIndex(std::vector<TAnchorRef> anchors) : anchors_(std::move(anchors)) {
    std::sort(anchors_.begin(), anchors_.end(), [](const TAnchorRef& a, const TAnchorRef& b) {
      return a.key != b.key ? a.key < b.key : a.part < b.part;
    });
    std::size_t size = 64;
    while (size < 2 * anchors_.size()) size *= 2;
    mask_ = size - 1;
    slots_.assign(size, kEmpty);
    for (std::uint32_t i = 0; i < anchors_.size(); ++i) {
      if (i > 0 && anchors_[i].key == anchors_[i - 1].key) continue;
      std::size_t s = Hash(anchors_[i].key) & mask_;
      while (slots_[s] != kEmpty) s = (s + 1) & mask_;
      slots_[s] = i;
    }
    filter_.assign(kFilterBits / 64, 0);
    for (const TAnchorRef& a : anchors_) {
      const std::uint64_t f = (Hash(a.key) >> 40) & (kFilterBits - 1);
      filter_[f / 64] |= std::uint64_t{1} << (f % 64);
    }
  }

  // The anchors of `key`: [first, last), empty when none.
  std::pair<std::uint32_t, std::uint32_t> Find(std::uint64_t key) const {
    const std::uint64_t h = Hash(key);
    const std::uint64_t f = (h >> 40) & (kFilterBits - 1);
    if (!((filter_[f / 64] >> (f % 64)) & 1)) return {0, 0};
    for (std::size_t s = h & mask_; slots_[s] != kEmpty; s = (s + 1) & mask_) {
      std::uint32_t i = slots_[s];
      if (anchors_[i].key != key) continue;
      std::uint32_t end = i;
      while (end < anchors_.size() && anchors_[end].key == key) ++end;
      return {i, end};
    }
    return {0, 0};
  }
  const TAnchorRef& operator[](std::uint32_t i) const { return anchors_[i]; }

private:
  static constexpr std::uint32_t kEmpty = UINT32_MAX;
  static constexpr std::uint64_t kFilterBits = std::uint64_t{1} << 20;
  static std::uint64_t Hash(std::uint64_t key) { return key * 0x9E3779B97F4A7C15ull; }
  std::vector<TAnchorRef> anchors_;
  std::vector<std::uint32_t> slots_;
  std::vector<std::uint64_t> filter_;
  std::size_t mask_ = 0;
};

std::vector<TAnchorRef> AnchorsOf(std::span<const TPartFound> found) {
  std::vector<TAnchorRef> anchors;
  for (std::uint32_t i = 0; i < found.size(); ++i) {
    if (found[i].uniform) continue;
    const std::vector<std::uint8_t>& b = found[i].part.bytes;
    std::size_t count = 0;
    for (std::size_t block = 0; block + kAnchor <= b.size() && count < kMaxAnchorsPerPart;
         block += kAnchorStep) {
      const std::size_t end = std::min(block + kAnchorStep, b.size() - kAnchor + 1);
      for (std::size_t at = block; at < end; ++at) {
        if (Uniform(b.data() + at, kAnchor)) continue;
        anchors.push_back({Load64(b.data() + at), i, static_cast<std::uint32_t>(at)});
        ++count;
        break;
      }
    }
  }
  return anchors;
}

// The work of one source for each piece: the whole matches met, the partial candidates.
struct TPartWork {
  std::vector<std::int64_t> whole;
  std::vector<std::int64_t> partial;
  std::size_t checks = 0;
};

std::uint32_t EqualBytes(std::span<const std::uint8_t> data, std::int64_t start,
                         std::span<const std::uint8_t> piece) {
  std::uint32_t equal = 0;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    const std::int64_t at = start + static_cast<std::int64_t>(i);
    if (at >= 0 && at < static_cast<std::int64_t>(data.size()) &&
        data[static_cast<std::size_t>(at)] == piece[i]) {
      ++equal;
    }
  }
  return equal;
}

void MeetAnchor(std::span<const std::uint8_t> data, std::size_t pos, const TAnchorRef& a,
                std::span<const TPartFound> found, std::vector<TPartWork>& work) {
  TPartWork& w = work[a.part];
  if (w.checks >= kMaxChecksPerPart) return;
  ++w.checks;
  const std::vector<std::uint8_t>& piece = found[a.part].part.bytes;
  const std::int64_t start = static_cast<std::int64_t>(pos) - a.offset;
  if (!w.whole.empty() && w.whole.back() == start) return;
  const bool inside = start >= 0 && static_cast<std::size_t>(start) + piece.size() <= data.size();
  if (inside &&
      std::memcmp(data.data() + static_cast<std::size_t>(start), piece.data(), piece.size()) == 0) {
    w.whole.push_back(start);
  } else if (w.partial.size() < kMaxPartialCandidates &&
             std::find(w.partial.begin(), w.partial.end(), start) == w.partial.end()) {
    w.partial.push_back(start);
  }
}

// One pass over `data`; the places of every piece are added to `found`.
void SearchSource(std::span<const std::uint8_t> data, std::int64_t address, int scheme,
                  const TAnchorIndex& index, std::vector<TPartFound>& found,
                  std::size_t maxPlaces) {
  std::vector<TPartWork> work(found.size());
  const std::uint8_t* p = data.data();
  for (std::size_t pos = 0; pos + kAnchor <= data.size(); ++pos) {
    const auto [first, last] = index.Find(Load64(p + pos));
    for (std::uint32_t i = first; i < last; ++i) MeetAnchor(data, pos, index[i], found, work);
  }
  for (std::size_t n = 0; n < found.size(); ++n) {
    TPartFound& f = found[n];
    std::vector<std::int64_t>& whole = work[n].whole;
    std::sort(whole.begin(), whole.end());
    whole.erase(std::unique(whole.begin(), whole.end()), whole.end());
    const auto place = [&](std::int64_t start, std::uint32_t matched) {
      return scheme == 0 ? TPartPlace{start, 0, 0, matched}
                         : TPartPlace{address, scheme, static_cast<std::uint32_t>(start), matched};
    };
    if (!whole.empty()) {
      if (!f.Whole()) f.places.clear();
      for (const std::int64_t start : whole) {
        if (f.places.size() >= maxPlaces) break;
        f.places.push_back(place(start, f.part.length));
      }
      continue;
    }
    if (f.Whole()) continue;
    for (const std::int64_t start : work[n].partial) {
      if (start < 0 && scheme != 0) continue;  // an offset inside the unpacked data
      const std::uint32_t equal = EqualBytes(data, start, f.part.bytes);
      // Less than half the piece equal is what chance bytes give as often as not.
      if (equal < 2 * kAnchor || 2 * equal < f.part.length) continue;
      if (f.places.empty() || equal > f.places[0].matched) {
        f.places.assign(1, place(std::max<std::int64_t>(start, 0), equal));
      }
    }
  }
}

std::vector<int> ScannedSchemes() {
  std::vector<int> schemes;
  for (const TSchemeFormat& row : SchemeFormats()) {
    // Diff streams have no rule that chance bytes break: every position would be one.
    if (row.check != nullptr && row.row != kSchemeDiff8 && row.row != kSchemeDiff16) {
      schemes.push_back(row.row);
    }
  }
  return schemes;
}

// A run of palette rows stands when found whole; else its rows stand in its place.
std::vector<TPartFound> Settled(std::vector<TPartFound> found) {
  std::vector<TPartFound> out;
  for (const TPartFound& f : found) {
    const bool runWhole =
        f.part.runOf >= 0 && found[static_cast<std::size_t>(f.part.runOf)].Whole();
    if (f.part.runOf >= 0 ? !runWhole : !(f.part.split && !f.Whole())) out.push_back(f);
  }
  return out;
}

std::string SchemeWord(int scheme) {
  if (scheme == 0) return "none";
  std::string name(Compressions[scheme].name());
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

const char* PartKindName(TPartKind kind) {
  switch (kind) {
    case TPartKind::Tiles: return "tiles";
    case TPartKind::Map: return "map";
    case TPartKind::Palette: return "palette";
  }
  return "tiles";
}

const char* LayerWord(int layer) {
  static constexpr const char* kWords[] = {"bg1", "bg2", "bg3", "bg4", "obj"};
  return layer >= 0 && layer <= kSceneObj ? kWords[layer] : "obj";
}

std::vector<TPartFound> LocateParts(std::span<const std::uint8_t> rom,
                                    std::span<const TScenePart> parts, TConsole console,
                                    const TLocateOptions& options) {
  std::vector<TPartFound> found;
  for (const TScenePart& p : parts) {
    TPartFound f;
    f.part = p;
    f.uniform = p.bytes.empty() || Uniform(p.bytes.data(), p.bytes.size());
    found.push_back(std::move(f));
  }
  const TAnchorIndex index(AnchorsOf(found));
  const std::vector<int> schemes = ScannedSchemes();
  // The plain pass and the scan count as one unit of work per ROM byte and scheme each; the
  // unpacked streams as their bytes.
  const std::size_t total = rom.size() * (1 + schemes.size());
  bool stopped = options.progress && !options.progress(0, total);
  if (!stopped) SearchSource(rom, 0, 0, index, found, options.maxPlaces);
  if (!stopped && options.progress) stopped = !options.progress(rom.size(), total);

  std::vector<TScanHit> hits;
  if (!stopped) {
    TScanOptions scan;
    scan.align = console == TConsole::Gba ? 4 : 1;
    // Readings of other schemes that overlap a stream must not hide it: each is tried. So is
    // every stream with the facts encoders keep, whatever its score: a short stream or one of
    // plain-looking data scores low, and the search itself tells chance from the real one.
    scan.overlaps = true;
    scan.minScore = 0;
    scan.factsAlways = true;

    scan.progress = [&](std::size_t done, std::size_t all) {
      if (!options.progress) return true;
      const std::size_t share = all == 0 ? 0 : done * (total - rom.size()) / all;
      return options.progress(rom.size() + share, total);
    };
    hits = ScanStreams(rom, schemes, scan);
    if (options.progress) stopped = !options.progress(total, total);
  }
  TDecodeBuffer buffer(kDecodeBufferSize);
  for (const TScanHit& hit : hits) {
    if (stopped) break;
    const TSchemeFormat* row = FindSchemeFormat(hit.scheme);
    if (row == nullptr || row->decode == nullptr) continue;
    bool notValid = false;
    row->decode(rom.subspan(hit.address), buffer, &notValid);
    // The scan's raw size is what the stream announces or writes, whichever its rule keeps.
    const std::size_t size = std::min<std::size_t>(buffer.size(), hit.rawSize);
    SearchSource(std::span<const std::uint8_t>(buffer.data(), size),
                 static_cast<std::int64_t>(hit.address), hit.scheme, index, found,
                 options.maxPlaces);
  }
  return Settled(std::move(found));
}

std::vector<TScenePart> SceneParts(const TScene& scene) {
  std::vector<TScenePart> parts;
  const auto add = [&](TScenePart p, std::span<const std::uint8_t> memory) {
    if (p.start >= memory.size()) return;
    const std::size_t room = (memory.size() - p.start + p.stride - 1) / p.stride;
    p.length = static_cast<std::uint32_t>(std::min<std::size_t>(p.length, room));
    if (p.length < kAnchor) return;
    p.bytes.resize(p.length);
    for (std::uint32_t i = 0; i < p.length; ++i) p.bytes[i] = memory[p.start + i * p.stride];
    parts.push_back(std::move(p));
  };
  std::vector<std::uint8_t> paletteBytes;
  for (const std::uint16_t w : scene.palette) {
    paletteBytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    paletteBytes.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  const bool mode7 = scene.console == TConsole::Snes && scene.snes.mode == 7;
  for (const TLayerReads& reads : SceneLayerReads(scene)) {
    if (!reads.shown) continue;
    TScenePart base;
    base.layer = reads.layer;
    base.bitsPerPixel = reads.bitsPerPixel;
    for (const TVideoRange& r : reads.map) {
      TScenePart p = base;
      p.kind = TPartKind::Map;
      p.start = r.start;
      p.length = mode7 ? r.length / 2 : r.length;
      p.stride = mode7 ? 2 : 1;
      add(std::move(p), scene.vram);
    }
    for (const TVideoRange& r : reads.tiles) {
      TScenePart p = base;
      p.kind = TPartKind::Tiles;
      p.start = mode7 ? r.start + 1 : r.start;
      p.length = mode7 ? r.length / 2 : r.length;
      p.stride = mode7 ? 2 : 1;
      add(std::move(p), scene.vram);
    }
    // Colour indices of the rows in use; an 8bpp layer reads its whole half of the memory.
    std::vector<std::int32_t> rows = reads.palettes;
    std::int32_t colours = reads.bitsPerPixel >= 1 && reads.bitsPerPixel <= 8
                               ? std::int32_t{1} << reads.bitsPerPixel
                               : 0;
    if (reads.bitsPerPixel == 8 && rows.empty()) {
      const bool gbaObj = scene.console == TConsole::Gba && reads.layer == kSceneObj;
      const bool snesObj = scene.console == TConsole::Snes && reads.layer == kSceneObj;
      if (!snesObj) rows.push_back(gbaObj ? 256 : 0);
    }
    if (colours == 0 || rows.empty()) continue;
    std::sort(rows.begin(), rows.end());
    for (std::size_t i = 0; i < rows.size();) {
      std::size_t j = i + 1;
      while (j < rows.size() && rows[j] == rows[j - 1] + colours) ++j;
      TScenePart run = base;
      run.kind = TPartKind::Palette;
      run.start = static_cast<std::uint32_t>(2 * rows[i]);
      run.length = static_cast<std::uint32_t>(2 * colours * static_cast<std::int32_t>(j - i));
      run.firstColour = rows[i];
      const auto runIndex = static_cast<std::int32_t>(parts.size());
      run.split = j - i > 1;
      add(run, paletteBytes);
      if (run.split && static_cast<std::int32_t>(parts.size()) > runIndex) {
        for (std::size_t k = i; k < j; ++k) {
          TScenePart row = base;
          row.kind = TPartKind::Palette;
          row.start = static_cast<std::uint32_t>(2 * rows[k]);
          row.length = static_cast<std::uint32_t>(2 * colours);
          row.firstColour = rows[k];
          row.runOf = runIndex;
          add(row, paletteBytes);
        }
      }
      i = j;
    }
  }
  return parts;
}

std::vector<TScenePart> PartsOfLayers(std::span<const TScenePart> parts, unsigned layers) {
  std::vector<TScenePart> kept;
  std::vector<std::int32_t> newIndex(parts.size(), -1);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const TScenePart& p = parts[i];
    if (p.layer < 0 || p.layer > kSceneObj || (layers & (1u << p.layer)) == 0) continue;
    newIndex[i] = static_cast<std::int32_t>(kept.size());
    kept.push_back(p);
    if (p.runOf >= 0) {
      const auto run = static_cast<std::size_t>(p.runOf);
      kept.back().runOf = run < newIndex.size() ? newIndex[run] : -1;
    }
  }
  return kept;
}

std::vector<TPartFound> LocateScene(std::span<const std::uint8_t> rom, const TScene& scene,
                                    const TLocateOptions& options) {
  const std::vector<TScenePart> all = SceneParts(scene);
  const std::vector<TScenePart> parts = PartsOfLayers(all, options.layers);
  return LocateParts(rom, parts, scene.console, options);
}

std::string LocateJson(std::span<const TPartFound> found) {
  std::string out = "[";
  bool first = true;
  for (const TPartFound& f : found) {
    for (const TPartPlace& p : f.places) {
      out += first ? "\n  " : ",\n  ";
      first = false;
      out += "{\"layer\": \"" + std::string(LayerWord(f.part.layer)) + "\", \"part\": \"" +
             PartKindName(f.part.kind) + "\", \"vram\": " + std::to_string(f.part.start) +
             ", \"length\": " + std::to_string(f.part.length) +
             ", \"address\": " + std::to_string(p.address) + ", \"scheme\": \"" +
             SchemeWord(p.scheme) + "\", \"offset\": " + std::to_string(p.offset);
      if (p.matched != f.part.length) out += ", \"matched\": " + std::to_string(p.matched);
      out += "}";
    }
  }
  out += first ? "]\n" : "\n]\n";
  return out;
}

std::string LocateText(std::span<const TPartFound> found, TConsole console) {
  std::string out;
  for (const TPartFound& f : found) {
    const std::string memory = f.part.kind == TPartKind::Palette ? "memory $" : "VRAM $";
    const std::string head = SceneLayerName(console, f.part.layer) + " " +
                             PartKindName(f.part.kind) + " " + memory + HexDigits(f.part.start, 4) +
                             "+" + std::to_string(f.part.length) + ": ";
    if (f.uniform) {
      out += head + "not searched (every byte $" +
             HexDigits(f.part.bytes.empty() ? 0 : f.part.bytes[0], 2) + ")\n";
      continue;
    }
    if (f.places.empty()) {
      out += head + "not found\n";
      continue;
    }
    for (const TPartPlace& p : f.places) {
      out += head + "$" + HexDigits(static_cast<std::uint64_t>(p.address), 6);
      if (p.scheme != 0) {
        out += " (" + std::string(Compressions[p.scheme].name()) + ", offset " +
               std::to_string(p.offset) + ")";
      }
      if (p.matched != f.part.length) {
        out += ", " + std::to_string(p.matched) + " of " + std::to_string(f.part.length) +
               " bytes match";
      }
      out += "\n";
    }
  }
  return out;
}

}  // namespace tegulo
