// The screens file beside a document: writing, reading all or nothing, matching to entries.
#include "screen/screen_doc.h"

#include <filesystem>
#include <functional>
#include <limits>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "io/read_file.h"
#include "io/safe_write.h"
#include "screen/json_reader.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

constexpr std::int64_t kVersion = 1;
constexpr std::size_t kMaxScreens = 100000;
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{64} << 20;

std::string Field(const char* key, std::int64_t value) {
  return std::string("\"") + key + "\": " + std::to_string(value);
}

std::int32_t Int32(TJsonReader& r, const char* key, std::int64_t lo, std::int64_t hi) {
  const std::int64_t v = r.Integer();
  if (v < lo || v > hi) {
    throw TError(std::string(key) + " " + std::to_string(v) + " is outside " + std::to_string(lo) +
                 ".." + std::to_string(hi));
  }
  return static_cast<std::int32_t>(v);
}

TSavedScreen ReadScreen(TJsonReader& r) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  TSavedScreen s;
  int seen = 0;
  r.Expect('{');
  if (!r.Take('}')) {
    do {
      const std::string key = r.String();
      r.Expect(':');
      ++seen;
      if (key == "index")
        s.index = Int32(r, "index", 0, kMax);
      else if (key == "name")
        s.name = r.String();
      else if (key == "address")
        s.address = Int32(r, "address", kMin, kMax);
      else if (key == "offset")
        s.offset = Int32(r, "offset", kMin, kMax);
      else if (key == "template")
        s.templ = Int32(r, "template", 0, kTemplateCount - 1);
      else if (key == "map")
        s.screen.mapAddress = Int32(r, "map", kMin, kMax);
      else if (key == "map-compression")
        s.screen.mapCompression = Int32(r, "map-compression", 0, kCompressionCount - 1);
      else if (key == "width")
        s.screen.width = Int32(r, "width", 1, kMaxMapSide);
      else if (key == "height")
        s.screen.height = Int32(r, "height", 1, kMaxMapSide);
      else if (key == "tile-base")
        s.screen.tileBase = Int32(r, "tile-base", kMin, kMax);
      else if (key == "palette-base")
        s.screen.paletteBase = Int32(r, "palette-base", -256, 256);
      else if (key == "show-priority") {
        s.screen.showPriority = Int32(r, "show-priority", 0, 1) != 0;
        --seen;  // written only when set
      } else if (key == "map-format") {
        const std::string name = r.String();
        const auto f = FindMapFormat(name);
        if (!f) throw TError("unknown map format \"" + name + "\"");
        s.screen.format = *f;
      } else {
        --seen;  // a field of a later writer
        r.SkipValue();
      }
    } while (r.Take(','));
    r.Expect('}');
  }
  if (seen != 12) throw TError("a screen lacks one of its 12 fields");
  return s;
}

std::vector<TSavedScreen> ReadScreens(TJsonReader& r) {
  std::vector<TSavedScreen> out;
  r.Expect('[');
  if (r.Take(']')) return out;
  do {
    if (out.size() == kMaxScreens) throw TError("more than 100000 screens");
    out.push_back(ReadScreen(r));
  } while (r.Take(','));
  r.Expect(']');
  return out;
}

std::vector<TSavedScreen> ReadFile(TJsonReader& r) {
  std::vector<TSavedScreen> out;
  bool format = false, version = false, screens = false;
  r.Expect('{');
  do {
    const std::string key = r.String();
    r.Expect(':');
    if (key == "format") {
      if (r.String() != "tegulo-screens") throw TError("not a screens file");
      format = true;
    } else if (key == "version") {
      const std::int64_t v = r.Integer();
      if (v != kVersion) throw TError("version " + std::to_string(v) + " (this program reads 1)");
      version = true;
    } else if (key == "screens") {
      out = ReadScreens(r);
      screens = true;
    } else {
      r.SkipValue();
    }
  } while (r.Take(','));
  r.Expect('}');
  r.End();
  if (!format || !version || !screens)
    throw TError("\"format\", \"version\" or \"screens\" missing");
  return out;
}

using TRule = std::function<bool(const TSavedScreen&, const TTileEntry&)>;

// The entry not yet taken that the rule matches: the one at the saved index when it is one
// of them, else the first; -1 when none does, or when `unique` and several do.
int FindEntry(const TRule& rule, const TSavedScreen& s, std::span<const TTileEntry> entries,
              const std::vector<bool>& taken, bool unique) {
  int found = -1;
  int count = 0;
  for (std::size_t j = 0; j < entries.size(); ++j) {
    if (taken[j] || !rule(s, entries[j])) continue;
    ++count;
    if (found < 0 || static_cast<std::int64_t>(j) == s.index) found = static_cast<int>(j);
  }
  return unique && count > 1 ? -1 : found;
}

}  // namespace

TSavedScreen SavedScreen(const TTileEntry& e, std::int32_t index, const TScreen& s) {
  return {index, GetName(e), e.Address, e.Offset, e.Template, s};
}

std::string CompanionPath(const std::string& documentPath) {
  return documentPath + ".screens.json";
}

std::string ScreensToJson(std::span<const TSavedScreen> screens) {
  std::string text = "{\"format\": \"tegulo-screens\", \"version\": 1, \"screens\": [";
  for (std::size_t i = 0; i < screens.size(); ++i) {
    const TSavedScreen& s = screens[i];
    const TScreen& m = s.screen;
    text += (i == 0 ? "\n  {" : ",\n  {") + Field("index", s.index) +
            ", \"name\": " + JsonString(s.name) + ", " + Field("address", s.address) + ", " +
            Field("offset", s.offset) + ", " + Field("template", s.templ) + ", " +
            Field("map", m.mapAddress) + ", \"map-format\": " +
            JsonString(MapFormats()[static_cast<std::size_t>(m.format)].name) + ", " +
            Field("map-compression", m.mapCompression) + ", " + Field("width", m.width) + ", " +
            Field("height", m.height) + ", " + Field("tile-base", m.tileBase) + ", " +
            Field("palette-base", m.paletteBase) +
            (m.showPriority ? ", " + Field("show-priority", 1) : std::string()) + "}";
  }
  return text + (screens.empty() ? "]}\n" : "\n]}\n");
}

std::vector<TSavedScreen> ScreensFromJson(std::span<const std::uint8_t> text) {
  TJsonReader reader(text);
  try {
    return ReadFile(reader);
  } catch (const TError& e) {
    throw TError(std::string("Damaged screens file: ") + e.what());
  }
}

std::vector<int> MatchScreens(std::span<const TSavedScreen> screens,
                              std::span<const TTileEntry> entries) {
  const TRule rules[] = {
      [](const TSavedScreen& s, const TTileEntry& e) {
        return e.Address == s.address && e.Offset == s.offset && e.Template == s.templ &&
               GetName(e) == s.name;
      },
      [](const TSavedScreen& s, const TTileEntry& e) {
        return e.Address == s.address && GetName(e) == s.name;
      },
      [](const TSavedScreen& s, const TTileEntry& e) {
        return !s.name.empty() && GetName(e) == s.name;
      },
      [](const TSavedScreen& s, const TTileEntry& e) {
        return e.Address == s.address && e.Offset == s.offset;
      },
  };
  std::vector<int> match(screens.size(), -1);
  std::vector<bool> taken(entries.size(), false);
  for (std::size_t rule = 0; rule < std::size(rules); ++rule) {
    for (std::size_t i = 0; i < screens.size(); ++i) {
      if (match[i] >= 0) continue;
      // A name alone must be unique to count.
      match[i] = FindEntry(rules[rule], screens[i], entries, taken, rule == 2);
      if (match[i] >= 0) taken[static_cast<std::size_t>(match[i])] = true;
    }
  }
  return match;
}

void SaveScreensBeside(const std::string& documentPath, std::span<const TSavedScreen> screens) {
  const std::string path = CompanionPath(documentPath);
  std::error_code ec;
  if (screens.empty() && !std::filesystem::exists(path, ec)) return;
  const std::string text = ScreensToJson(screens);
  WriteFileAtomically(path,
                      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<TSavedScreen> LoadScreensBeside(const std::string& documentPath) {
  const std::string path = CompanionPath(documentPath);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return {};
  try {
    return ScreensFromJson(ReadWholeFile(path, kMaxFileBytes));
  } catch (const TError& e) {
    throw TError(path + ": " + e.what());
  }
}

}  // namespace tegulo
